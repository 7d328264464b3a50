#include "Display/FramePacing.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "Display/BoostMapping.h"

namespace vesperine::FramePacing {

namespace {
// Aim a hair short of the step, so that rounding in the inverse easing and in timer
// arithmetic can never let a frame come after the target has moved by a whole step.
constexpr double aim = visibleStep * (1.0 - 1e-6);
}  // namespace

double easedSpan(const TransitionPlan::Step& step, const std::vector<DisplayInfo>& displays) {
    const RGBGains& a = step.from.gains;
    const RGBGains& b = step.to.gains;
    const double change[] = {std::abs(b.r - a.r), std::abs(b.g - a.g), std::abs(b.b - a.b)};
    const double reach[] = {std::max(std::abs(a.r), std::abs(b.r)),
                            std::max(std::abs(a.g), std::abs(b.g)),
                            std::max(std::abs(a.b), std::abs(b.b))};
    const bool boosted = step.from.hasBoost() || step.to.hasBoost();
    double span = std::numeric_limits<double>::infinity();
    for (const auto& display : displays) {
        // A display's gains are the tint times a boost factor f(boost): 1 without boost,
        // else tableGain (a power of the level, steepest at the lowest level).
        double factor = 1.0, slope = 0.0, jump = 0.0;
        if (boosted && display.supportsBoost) {
            const double b0 = step.from.boost, b1 = step.to.boost;
            const double lowest = std::max(1.0, std::min(b0, b1));
            factor = BoostMapping::tableGain(std::max(b0, b1), display.currentHeadroom);
            slope = BoostMapping::tableGainSlope(lowest) * std::abs(b1 - b0);
            // Where boost starts to count, the factor steps from 1 to just above it.
            if (!step.from.hasBoost() || !step.to.hasBoost()) {
                jump = BoostMapping::tableGain(1.0 + DisplayTarget::boostTolerance,
                                               display.currentHeadroom) -
                       1.0;
            }
        }
        for (int c = 0; c < 3; ++c) {
            // |gain(e1) − gain(e0)| ≤ rate × |e1 − e0| + reach × jump.
            const double rate = change[c] * factor + reach[c] * slope;
            if (!(rate > 0.0)) continue;
            const double room = std::max(aim - reach[c] * jump, aim / 2);
            span = std::min(span, room / rate);
        }
    }
    return span;
}

}  // namespace vesperine::FramePacing
