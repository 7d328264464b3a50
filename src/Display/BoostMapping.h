#pragma once

namespace vesperine::BoostMapping {

// Table values are in the display's encoded (gamma 2.2) space, so a light level becomes a
// table gain through the inverse exponent.
inline constexpr double exponent = 1.0 / 2.2;

// The largest boost a display with this EDR headroom is driven to: max(headroom × 0.625, 1).
double ceiling(double headroom);

// The factor by which a display's gains are multiplied to show boost `level`:
// min(max(level, 1), ceiling(headroom)) ^ exponent.
double tableGain(double level, double headroom);

// How fast that gain grows with the level at `level` (≥ 1, below the ceiling): its
// derivative, steepest at the lowest level. Frame pacing bounds a fade's steps with it.
double tableGainSlope(double level);

}  // namespace vesperine::BoostMapping
