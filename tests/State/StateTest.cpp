#include "State/DisplayMode.h"
#include "State/ModeResolver.h"
#include "State/Override.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace vesperine {
namespace {

TEST(DisplayMode, DecodesTheStoredForms) {
    const std::pair<const char*, std::optional<DisplayMode>> cases[] = {
        {R"({"off":{}})", DisplayMode::off()},
        {R"({"warm":{"kelvin":3400.0}})", DisplayMode::warm(3400)},
        {R"({"red":{"intensity":0.8},"note":"extra members are ignored"})", DisplayMode::red(0.8)},
        {R"({"warm":{"kelvin":0}})", DisplayMode::warm(0)},  // kept as stored
        {R"({"dim":{"level":2}})", std::nullopt},
        {R"({"bright":{"level":"2"}})", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        auto decoded = json::decode<DisplayMode>(text);
        EXPECT_EQ(decoded.ok() ? std::optional(*decoded) : std::nullopt, expected);
    }
}

// The plain descriptions are the schedule list's summaries; targets clamp where they reach
// the display.
TEST(DisplayMode, ShortDescriptionsRoundHalvesAwayFromZeroAndTargetsClamp) {
    using Target = std::optional<DisplayTarget>;
    const std::tuple<DisplayMode, const char*, std::optional<long long>, Target> cases[] = {
        {DisplayMode::bright(1.125), "Bright 113%", 113, {}},
        {DisplayMode::bright(0.5), "Bright 50%", 50, DisplayTarget{1.0, {1, 1, 1}}},
        {DisplayMode::red(0.05), "Red", 5, DisplayTarget{1.0, {0.2, 0, 0}}},
        {DisplayMode::red(1.5), "Red", 150, DisplayTarget{1.0, {1.0, 0, 0}}},
        {DisplayMode::warm(3425), "Warm 3450K", 3450, {}},
        {DisplayMode::bright(1e300), "Bright ∞%", std::nullopt, {}},
        {DisplayMode::warm(std::nan("")), "Warm ?K", std::nullopt, {}},
    };
    for (const auto& [mode, text, shown, target] : cases) {
        EXPECT_EQ(mode.shortDescription(), text);
        EXPECT_EQ(mode.shownStrength(), shown) << text;
        if (target) {
            EXPECT_EQ(mode.target(), *target) << text;
        }
    }
}

// Instants on one evening, counted in minutes from 21:00.
Instant at(double minutesAfterNine) { return Instant::fromUnix(1'800'000'000 + 60 * minutesAfterNine); }

TEST(Override, Expiry) {
    using Lifetime = Override::Lifetime;
    const auto mode = DisplayMode::warm(2700);
    const std::tuple<const char*, Override, Instant, std::optional<Instant>, bool> cases[] = {
        {"until, exactly at the date", {mode, Lifetime::until(at(60)), at(0)}, at(60), {}, true},
        {"next transition, same step", {mode, Lifetime::untilNextTransition(), at(5)}, at(30), at(0), false},
        {"next transition, passed", {mode, Lifetime::untilNextTransition(), at(5)}, at(60), at(60), true},
        {"next transition, step ahead of now", {mode, Lifetime::untilNextTransition(), at(5)}, at(50), at(60), false},
        {"next transition, no schedule", {mode, Lifetime::untilNextTransition(), at(5)}, at(9999), {}, false},
        {"indefinitely", {mode, Lifetime::indefinitely(), at(0)}, at(1e9), at(1e9), false},
    };
    for (const auto& [name, value, now, lastTransition, expired] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(value.isExpired(now, lastTransition), expired);
    }
}

// Each stored form decodes to its value and encodes back to it; anything else is refused whole.
TEST(Override, DecodesTheStoredFormsOnly) {
    using Lifetime = Override::Lifetime;
    const auto mode = R"({"mode":{"warm":{"kelvin":2700}},"lifetime":)";
    const std::pair<std::string, std::optional<Override>> cases[] = {
        {mode + std::string(R"({"until":{"_0":100.5}},"setAt":50})"),
         Override{DisplayMode::warm(2700), Lifetime::until(Instant::fromReferenceDate(100.5)),
                  Instant::fromUnix(978307250)}},
        {mode + std::string(R"({"untilNextTransition":{}},"setAt":786000000.25})"),
         Override{DisplayMode::warm(2700), Lifetime::untilNextTransition(),
                  Instant::fromReferenceDate(786000000.25)}},
        {R"({"mode":{"off":{}},"lifetime":{"indefinitely":{}},"setAt":4e10})",
         Override{DisplayMode::off(), Lifetime::indefinitely(), Instant::fromReferenceDate(4e10)}},
        {R"({"mode":{"off":{}},"lifetime":{"indefinitely":{}}})", std::nullopt},
        {R"({"lifetime":{"indefinitely":{}},"setAt":1})", std::nullopt},
        {R"({"mode":{"off":{}},"lifetime":{"until":{"_0":"soon"}},"setAt":1})", std::nullopt},
        {R"([])", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        auto decoded = json::decode<Override>(text);
        ASSERT_EQ(decoded.ok(), expected.has_value());
        if (!expected) continue;
        EXPECT_EQ(*decoded, *expected);
        EXPECT_EQ(*json::decode<Override>(*json::encode(*decoded)), *expected);
    }
}

using namespace ModeResolver;

TEST(ModeResolver, PrecedenceOfScheduleRuleOverrideLimitAndCapability) {
    const auto none = BoostLimit::none();
    const auto off = DisplayMode::off(), warm = DisplayMode::warm(3000);
    const auto bright = [](double level) { return DisplayMode::bright(level); };
    const auto hot = BoostLimit::disabled("hot");
    const auto light = ColourControl::nightLight;
    const std::tuple<const char*, Input, Resolution> cases[] = {
        {"nothing at all", {off, {}, {}, none, true}, {off, {}}},
        {"pauseBoost stops scheduled bright",
         {bright(2), AppRuleEffect::pauseBoost, {}, none, true},
         {off, {}}},
        {"pauseBoost keeps warm", {warm, AppRuleEffect::pauseBoost, {}, none, true}, {warm, {}}},
        {"pauseAll stops warm", {warm, AppRuleEffect::pauseAll, {}, none, true}, {off, {}}},
        {"an override is never paused",
         {warm, AppRuleEffect::pauseAll, bright(2.5), none, true},
         {bright(2.5), {}}},
        {"cap below the level",
         {off, {}, bright(3), BoostLimit::cap(1.5, "on battery"), true},
         {bright(1.5), "Boost limited: on battery"}},
        {"no capable display replaces the cap's text",
         {off, {}, bright(3), BoostLimit::cap(1.5, "x"), false},
         {off, "Bright needs an HDR display"}},
        {"disabled wins over the capability test",
         {off, {}, bright(3), hot, false},
         {off, "Boost off: hot"}},
        {"limits touch bright only",
         {off, {}, DisplayMode::red(0.5), hot, false},
         {DisplayMode::red(0.5), {}}},
        {"night light only: warm shows through it",
         {warm, {}, {}, none, false, light},
         {warm, "Warm through the desktop's Night Light"}},
        {"night light only: its reason wins over a power limit",
         {off, {}, bright(2), hot, true, light},
         {off, "Bright isn't available on this desktop"}},
        {"nothing lent: warm is off",
         {warm, {}, {}, none, true, ColourControl::none},
         {off, "This desktop keeps the display's colour to itself"}},
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
        {Kind::red, true, ColourControl::nightLight, "Red isn't available on this desktop."},
        {Kind::warm, true, ColourControl::none,
         "This desktop keeps the display's colour to itself."},
    };
    for (const auto& [kind, capable, control, reason] : cases) {
        EXPECT_EQ(unavailable(kind, capable, control), reason) << rawValue(kind);
    }
}

}  // namespace
}  // namespace vesperine
