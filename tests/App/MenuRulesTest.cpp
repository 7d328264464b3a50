#include "App/MenuRules.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vesperine {
namespace {

using Kind = DisplayMode::Kind;

// Each slider between its ends and beyond them (stored values are kept as stored), and back.
TEST(MenuRules, SlidersMapStrengthsToPositionsWithinTheirEnds) {
    struct Case {
        const char* what;
        Kind kind;
        double strength;
        int position;
        double back;  // the strength the position sets
    } cases[] = {
        {"boost 250%", Kind::bright, 2.5, 250, 2.5},
        {"boost above the range", Kind::bright, 10, 400, 4.0},
        {"warm in between", Kind::warm, 3412.4, 3412, 3412},
        {"warm not a number", Kind::warm, NAN, 1200, 1200},
        {"red below the range", Kind::red, 0.05, 20, 0.2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto slider = MenuRules::slider(c.kind);
        ASSERT_TRUE(slider);
        EXPECT_EQ(MenuRules::position(*slider, c.strength), c.position);
        EXPECT_DOUBLE_EQ(MenuRules::strength(*slider, c.position), c.back);
    }
    EXPECT_FALSE(MenuRules::slider(Kind::off));
}

}  // namespace
}  // namespace vesperine
