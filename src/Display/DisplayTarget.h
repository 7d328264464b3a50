#pragma once

#include "Display/RGBGains.h"

namespace vesperine {

// What a display should show: a brightness multiple of SDR white (`boost`, 1.0 = none) and
// channel gains (the tint). Equality is exact; hasBoost/isOff carry the tolerances.
struct DisplayTarget {
    double boost = 1.0;
    RGBGains gains = RGBGains::neutral();

    static constexpr double boostTolerance = 0.0001;

    // Boost 1 with neutral gains: the display left untouched.
    static constexpr DisplayTarget off() { return {1.0, RGBGains::neutral()}; }

    bool hasBoost() const { return boost > 1.0 + boostTolerance; }
    // No boost (a boost below 1 counts as none) and neutral gains.
    bool isOff() const { return !hasBoost() && gains.isNeutral(); }
    // boost and gains each a + t × (other − a); t is not clamped.
    DisplayTarget lerp(const DisplayTarget& other, double t) const {
        return {boost + t * (other.boost - boost), gains.lerp(other.gains, t)};
    }

    bool operator==(const DisplayTarget&) const = default;
};

}  // namespace vesperine
