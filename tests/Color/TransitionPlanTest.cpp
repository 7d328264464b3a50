#include "Display/TransitionPlan.h"

#include <gtest/gtest.h>

#include <cmath>

#include "Color/Kelvin.h"

namespace vesperine {
namespace {

using Step = TransitionPlan::Step;

TEST(TransitionPlan, BoostComesDownBeforeATintAndGoesUpAfterIt) {
    const DisplayTarget boosted{2.0, {1, 1, 1}}, white{1.0, {1, 1, 1}};
    const DisplayTarget warm{1.0, Kelvin::gains(3400)}, warmer{1.0, Kelvin::gains(2700)};
    const DisplayTarget almostWhite{1.0, {0.99995, 1, 1}};
    const std::tuple<const char*, DisplayTarget, DisplayTarget, double, std::vector<Step>>
        cases[] = {
        {"same target", warm, warm, 5, {}},
        {"boost to warm", boosted, warm, 4, {{boosted, white, 2}, {white, warm, 2}}},
        {"warm to boost", warm, boosted, 4, {{warm, white, 2}, {white, boosted, 2}}},
        {"warm to warmer", warm, warmer, 4, {{warm, warmer, 4}}},
        {"boost to lower boost", {3.0, {1, 1, 1}}, boosted, 4, {{{3.0, {1, 1, 1}}, boosted, 4}}},
        {"near-identity target counts as untinted", warm, almostWhite, 2,
         {{warm, white, 1}, {white, almostWhite, 1}}},
        {"negative duration", boosted, warm, -3, {{boosted, white, 0}, {white, warm, 0}}},
        {"NaN duration", warm, warmer, std::nan(""), {{warm, warmer, 0}}},
    };
    for (const auto& [name, from, to, duration, steps] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(TransitionPlan::make(from, to, duration).steps, steps);
    }
}

}  // namespace
}  // namespace vesperine
