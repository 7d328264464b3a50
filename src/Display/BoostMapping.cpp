#include "Display/BoostMapping.h"

#include <algorithm>
#include <cmath>

namespace vesperine::BoostMapping {

namespace {
// Table values are in the display's encoded (gamma 2.2) space, so a light level becomes a
// table gain through the inverse exponent.
constexpr double inverseGamma = 0.45454545454545453;
}  // namespace

double ceiling(double headroom) { return std::max(headroom * 0.625, 1.0); }

double tableGain(double level, double headroom) {
    return std::pow(std::min(std::max(level, 1.0), ceiling(headroom)), inverseGamma);
}

}  // namespace vesperine::BoostMapping
