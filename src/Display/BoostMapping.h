#pragma once

namespace vesperine::BoostMapping {

// The largest boost a display with this EDR headroom is driven to: max(headroom × 0.625, 1).
double ceiling(double headroom);

// The factor by which a display's gains are multiplied to show boost `level`:
// min(max(level, 1), ceiling(headroom)) ^ (1 / 2.2).
double tableGain(double level, double headroom);

}  // namespace vesperine::BoostMapping
