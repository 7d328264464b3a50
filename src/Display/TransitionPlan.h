#pragma once

#include <vector>

#include "Display/DisplayTarget.h"

namespace vesperine {

// How the pipeline splits a fade from what is shown to a new target: boost comes down before
// a tint comes in, and goes up only after the tint has gone.
struct TransitionPlan {
    struct Step {
        DisplayTarget from;
        DisplayTarget to;
        double duration = 0;  // seconds
        bool operator==(const Step&) const = default;
    };

    std::vector<Step> steps;

    // No steps when `from` == `to`; otherwise one or two steps sharing max(duration, 0).
    static TransitionPlan make(const DisplayTarget& from, const DisplayTarget& to, double duration);

    bool operator==(const TransitionPlan&) const = default;
};

}  // namespace vesperine
