#include "Display/TransitionPlan.h"

#include <gtest/gtest.h>

#include <cmath>

#include "Color/Kelvin.h"
#include "Display/BoostMapping.h"
#include "Display/Easing.h"

namespace vesperine {
namespace {

using Step = TransitionPlan::Step;

TEST(TransitionPlan, BoostComesDownBeforeATintAndGoesUpAfterIt) {
    const DisplayTarget boosted{2.0, {1, 1, 1}}, white{1.0, {1, 1, 1}};
    const DisplayTarget warm{1.0, Kelvin::gains(3400)}, warmer{1.0, Kelvin::gains(2700)};
    const DisplayTarget red{1.0, {0.8, 0, 0}}, almostWhite{1.0, {0.99995, 1, 1}};
    struct Case {
        const char* name;
        DisplayTarget from, to;
        double duration;
        std::vector<Step> steps;
    } cases[] = {
        {"same target", warm, warm, 5, {}},
        {"boost to warm", boosted, warm, 4, {{boosted, white, 2}, {white, warm, 2}}},
        {"warm to boost", warm, boosted, 4, {{warm, white, 2}, {white, boosted, 2}}},
        {"warm to warmer", warm, warmer, 4, {{warm, warmer, 4}}},
        {"boost to lower boost", {3.0, {1, 1, 1}}, boosted, 4, {{{3.0, {1, 1, 1}}, boosted, 4}}},
        {"boost to red", boosted, red, 4, {{boosted, white, 2}, {white, red, 2}}},
        {"near-identity target counts as untinted", warm, almostWhite, 2,
         {{warm, white, 1}, {white, almostWhite, 1}}},
        {"negative duration", boosted, warm, -3, {{boosted, white, 0}, {white, warm, 0}}},
        {"NaN duration", warm, warmer, std::nan(""), {{warm, warmer, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TransitionPlan::make(c.from, c.to, c.duration).steps, c.steps);
    }
}

TEST(DisplayTarget, PredicatesUseTheirTolerances) {
    EXPECT_TRUE((DisplayTarget{1.00005, {1, 1, 1}}).isOff());
    EXPECT_FALSE((DisplayTarget{1.0002, {1, 1, 1}}).isOff());
    EXPECT_TRUE((DisplayTarget{0.5, {1, 1, 1}}).isOff());
    EXPECT_FALSE((DisplayTarget{1.0, {0.9, 1, 1}}).isOff());
    EXPECT_TRUE((DisplayTarget{1.0002, {1, 1, 1}}).hasBoost());
}

TEST(BoostMappingAndEasing, KnownValues) {
    EXPECT_EQ(BoostMapping::ceiling(1.0), 1.0);
    EXPECT_EQ(BoostMapping::ceiling(4.0), 2.5);
    EXPECT_NEAR(BoostMapping::tableGain(4.0, 4.0), 1.5166, 0.0001);
    EXPECT_EQ(BoostMapping::tableGain(0.8, 4.0), 1.0);
    EXPECT_EQ(BoostMapping::tableGain(3.0, 1.0), 1.0);  // no headroom, no boost
    EXPECT_EQ(Easing::smooth(0.5), 0.5);
    EXPECT_EQ(Easing::smooth(0.25), 0.15625);
}

}  // namespace
}  // namespace vesperine
