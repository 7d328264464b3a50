#include "Display/TransitionPlan.h"

#include <algorithm>
#include <cmath>

namespace vesperine {

TransitionPlan TransitionPlan::make(const DisplayTarget& from, const DisplayTarget& to,
                                    double duration) {
    TransitionPlan plan;
    if (from == to) return plan;

    auto nearOne = [](double v) { return std::abs(v - 1.0) < RGBGains::neutralTolerance; };
    const bool toIsUntinted = nearOne(to.gains.r) && nearOne(to.gains.g) && nearOne(to.gains.b);
    const DisplayTarget midpoint{std::min(from.boost, to.boost),
                                 toIsUntinted ? RGBGains::neutral() : from.gains};

    if (!(midpoint == from)) plan.steps.push_back({from, midpoint, 0});
    if (!(midpoint == to)) plan.steps.push_back({midpoint, to, 0});

    // A NaN length would make every frame's progress NaN; treat it like a negative one.
    const double total = duration > 0.0 ? duration : 0.0;
    const double each = total / static_cast<double>(plan.steps.size());
    for (auto& step : plan.steps) step.duration = each;
    return plan;
}

}  // namespace vesperine
