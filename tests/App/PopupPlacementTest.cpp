#include "App/PopupPlacement.h"

#include <gtest/gtest.h>

namespace vesperine {
namespace {

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
        {"icon in a top panel, near the right edge",
         {1880, 2, 24, 24},
         screen,
         {1620, 32, true, 272}},
        {"icon in a bottom panel", {900, 1052, 24, 24}, {0, 0, 1920, 1048}, {762, 646, false, 150}},
        {"at the pointer, no icon geometry", {500, 500, 0, 0}, screen, {350, 506, true, 150}},
        {"pointer in the lower half near the left edge",
         {3, 900, 0, 0},
         screen,
         {0, 494, false, 3}},
        {"a second screen to the right",
         {3000, 1080, 20, 20},
         {1920, 0, 1280, 1080},
         {2860, 674, false, 150}},
        {"a screen smaller than the window", {100, 5, 20, 20}, {0, 0, 200, 300}, {0, 0, true, 110}},
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
