#include "State/ModeResolver.h"

#include <gtest/gtest.h>

namespace vesperine {
namespace {

using namespace ModeResolver;

TEST(ModeResolver, PrecedenceOfScheduleRuleOverrideLimitAndCapability) {
    const auto none = BoostLimit::none();
    const std::tuple<const char*, Input, Resolution> cases[] = {
        {"nothing at all", {DisplayMode::off(), {}, {}, none, true}, {DisplayMode::off(), {}}},
        {"pauseBoost stops scheduled bright",
         {DisplayMode::bright(2), AppRuleEffect::pauseBoost, {}, none, true},
         {DisplayMode::off(), {}}},
        {"pauseBoost keeps warm",
         {DisplayMode::warm(3000), AppRuleEffect::pauseBoost, {}, none, true},
         {DisplayMode::warm(3000), {}}},
        {"pauseAll stops warm",
         {DisplayMode::warm(3000), AppRuleEffect::pauseAll, {}, none, true},
         {DisplayMode::off(), {}}},
        {"an override is never paused",
         {DisplayMode::warm(3000), AppRuleEffect::pauseAll, DisplayMode::bright(2.5), none, true},
         {DisplayMode::bright(2.5), {}}},
        {"cap below the level",
         {DisplayMode::off(), {}, DisplayMode::bright(3), BoostLimit::cap(1.5, "on battery"), true},
         {DisplayMode::bright(1.5), "Boost limited: on battery"}},
        {"cap at the level",
         {DisplayMode::off(), {}, DisplayMode::bright(3), BoostLimit::cap(3, "x"), true},
         {DisplayMode::bright(3), {}}},
        {"no capable display replaces the cap's text",
         {DisplayMode::off(), {}, DisplayMode::bright(3), BoostLimit::cap(1.5, "x"), false},
         {DisplayMode::off(), "Bright needs an HDR display"}},
        {"disabled wins over the capability test",
         {DisplayMode::off(),
          {},
          DisplayMode::bright(3),
          BoostLimit::disabled("Mac is hot"),
          false},
         {DisplayMode::off(), "Boost off: Mac is hot"}},
        {"limits touch bright only",
         {DisplayMode::off(), {}, DisplayMode::red(0.5), BoostLimit::disabled("x"), false},
         {DisplayMode::red(0.5), {}}},
        {"night light only: warm shows through it",
         {DisplayMode::warm(3400), {}, {}, none, false, ColourControl::nightLight},
         {DisplayMode::warm(3400), "Warm through the desktop's Night Light"}},
        {"night light only: its reason wins over a power limit",
         {DisplayMode::off(),
          {},
          DisplayMode::bright(2),
          BoostLimit::disabled("x"),
          true,
          ColourControl::nightLight},
         {DisplayMode::off(), "Bright isn't available on this desktop"}},
        {"night light only: no red",
         {DisplayMode::red(0.5), {}, {}, none, true, ColourControl::nightLight},
         {DisplayMode::off(), "Red isn't available on this desktop"}},
        {"nothing lent: warm is off",
         {DisplayMode::warm(3000), {}, {}, none, true, ColourControl::none},
         {DisplayMode::off(), "This desktop keeps the display's colour to itself"}},
    };
    for (const auto& [name, input, expected] : cases) {
        SCOPED_TRACE(name);
        auto got = resolve(input);
        EXPECT_EQ(got.mode, expected.mode) << got.mode.shortDescription();
        EXPECT_EQ(got.limitation, expected.limitation);
    }
}

// A pick the displays or the desktop cannot show is refused with the reason; the power
// guard's limit passes and is no reason.
TEST(ModeResolver, WhatCannotBeShownAtAll) {
    using Kind = DisplayMode::Kind;
    const std::tuple<Kind, bool, ColourControl, std::optional<std::string>> cases[] = {
        {Kind::bright, false, ColourControl::tables,
         "Bright needs an HDR display, which this computer doesn't have."},
        {Kind::bright, true, ColourControl::tables, std::nullopt},
        {Kind::red, false, ColourControl::tables, std::nullopt},
        {Kind::red, true, ColourControl::nightLight, "Red isn't available on this desktop."},
        {Kind::warm, false, ColourControl::nightLight, std::nullopt},
        {Kind::warm, true, ColourControl::none,
         "This desktop keeps the display's colour to itself."},
        {Kind::off, false, ColourControl::none, std::nullopt},
    };
    for (const auto& [kind, capable, control, reason] : cases) {
        EXPECT_EQ(unavailable(kind, capable, control), reason) << rawValue(kind);
    }
}

}  // namespace
}  // namespace vesperine
