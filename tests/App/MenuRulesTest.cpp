#include "App/MenuRules.h"
#include "App/PopupPlacement.h"

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

using PopupPlacement::Placement;
using PopupPlacement::Rect;

TEST(PopupPlacement, NextToTheIconInsideTheUsableArea) {
    const Rect screen{0, 28, 1920, 1052};  // a 28 px panel at the top
    struct Case {
        const char* what;
        Rect anchor;
        Rect area;
        Placement expected;
    } cases[] = {
        {"at the pointer, no icon geometry", {500, 500, 0, 0}, screen, {350, 506, true, 150}},
        {"a second screen", {3000, 1080, 20, 20}, {1920, 0, 1280, 1080}, {2860, 674, false, 150}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Placement got = PopupPlacement::place(300, 400, c.anchor, c.area, 6);
        EXPECT_EQ(got, c.expected)
            << got.x << "," << got.y << " below " << got.below << " arrow " << got.arrowX;
    }
}

}  // namespace
}  // namespace vesperine
