#pragma once

namespace vesperine::Easing {

// Smoothstep, p × p × (3 − 2p), for p already clamped to 0...1.
constexpr double smooth(double p) { return p * p * (3.0 - 2.0 * p); }

}  // namespace vesperine::Easing
