#pragma once

#include <cmath>

namespace vesperine::Easing {

// How a fade's step moves from its start to its end: `smooth` starts and ends at rest (a
// change of mode); `even` keeps one speed throughout, so that pieces of a longer fade handed
// one after another join without slowing down between them.
enum class Curve { smooth, even };

// Smoothstep, p × p × (3 − 2p), for p already clamped to 0...1.
constexpr double smooth(double p) { return p * p * (3.0 - 2.0 * p); }

// The p in 0...1 at which smooth(p) reaches `eased` (clamped to 0...1): the root of the cubic
// in its trigonometric form.
inline double inverseSmooth(double eased) {
    if (!(eased > 0.0)) return 0.0;
    if (eased >= 1.0) return 1.0;
    return 0.5 - std::sin(std::asin(1.0 - 2.0 * eased) / 3.0);
}

// The eased progress of `curve` at p (clamped to 0...1), and the p at which it reaches `eased`.
constexpr double ease(Curve curve, double p) {
    return curve == Curve::even ? p : smooth(p);
}
inline double inverse(Curve curve, double eased) {
    if (curve == Curve::smooth) return inverseSmooth(eased);
    return eased > 0.0 ? (eased < 1.0 ? eased : 1.0) : 0.0;
}

}  // namespace vesperine::Easing
