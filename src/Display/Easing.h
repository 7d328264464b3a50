#pragma once

#include <cmath>

namespace vesperine::Easing {

// Smoothstep, p × p × (3 − 2p), for p already clamped to 0...1.
constexpr double smooth(double p) { return p * p * (3.0 - 2.0 * p); }

// The p in 0...1 at which smooth(p) reaches `eased` (clamped to 0...1): the root of the cubic
// in its trigonometric form.
inline double inverseSmooth(double eased) {
    if (!(eased > 0.0)) return 0.0;
    if (eased >= 1.0) return 1.0;
    return 0.5 - std::sin(std::asin(1.0 - 2.0 * eased) / 3.0);
}

}  // namespace vesperine::Easing
