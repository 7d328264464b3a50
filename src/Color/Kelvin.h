#pragma once

#include "Display/RGBGains.h"

namespace vesperine::Kelvin {

inline constexpr double minimum = 1200.0;
inline constexpr double maximum = 6500.0;  // the white point: gains (1, 1, 1)

// Channel gains that tint a display towards the colour temperature `kelvin`. Inputs below
// 1200 K give the 1200 K gains, inputs above 6500 K give (1, 1, 1); NaN is treated as 6500 K.
// Red is always 1.0. After the first call this is a clamp and a table look-up.
RGBGains gains(double kelvin);

// The colour temperature whose gains come closest to `tint` once red is taken as 1 (a dimmed
// table is a tint of the same temperature): matched on blue, which falls steadily as the
// temperature falls. Gains without red, or with more blue than red, give 6500 K, the white
// point; bluer than 1200 K's gains give 1200 K.
double matching(const RGBGains& tint);

// The colour temperature a fraction `t` of the way from `from` to `to`, evenly in mired
// (1e6 / K), so equal steps look like equal changes. t is not clamped.
double interpolate(double from, double to, double t);

}  // namespace vesperine::Kelvin
