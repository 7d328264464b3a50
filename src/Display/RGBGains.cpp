#include "Display/RGBGains.h"

#include <cmath>

namespace vesperine {

bool RGBGains::isNeutral() const {
    return std::abs(r - 1.0) < neutralTolerance && std::abs(g - 1.0) < neutralTolerance &&
           std::abs(b - 1.0) < neutralTolerance;
}

RGBGains RGBGains::lerp(const RGBGains& other, double t) const {
    return {r + t * (other.r - r), g + t * (other.g - g), b + t * (other.b - b)};
}

}  // namespace vesperine
