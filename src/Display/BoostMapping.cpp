#include "Display/BoostMapping.h"

#include <algorithm>
#include <cmath>

namespace vesperine::BoostMapping {

double ceiling(double headroom) { return std::max(headroom * 0.625, 1.0); }

double tableGain(double level, double headroom) {
    return std::pow(std::min(std::max(level, 1.0), ceiling(headroom)), exponent);
}

double tableGainSlope(double level) {
    return exponent * std::pow(std::max(level, 1.0), exponent - 1.0);
}

}  // namespace vesperine::BoostMapping
