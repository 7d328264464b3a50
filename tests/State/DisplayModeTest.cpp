#include "State/DisplayMode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "Color/Kelvin.h"

namespace vesperine {
namespace {

TEST(DisplayMode, DecodesTheStoredForms) {
    const std::pair<const char*, std::optional<DisplayMode>> cases[] = {
        {R"({"off":{}})", DisplayMode::off()},
        {R"({"bright":{"level":9}})", DisplayMode::bright(9)},
        {R"({"warm":{"kelvin":3400.0}})", DisplayMode::warm(3400)},
        {R"({"red":{"intensity":0.8},"note":"extra members are ignored"})", DisplayMode::red(0.8)},
        {R"({"warm":{"kelvin":0}})", DisplayMode::warm(0)},  // kept as stored
        {R"({"dim":{"level":2}})", std::nullopt},
        {R"({"bright":{"level":"2"}})", std::nullopt},
        {R"({"off":1})", std::nullopt},
        {R"([{"off":{}}])", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        auto decoded = json::decode<DisplayMode>(text);
        EXPECT_EQ(decoded.ok() ? std::optional(*decoded) : std::nullopt, expected);
    }
}

TEST(DisplayMode, TargetsClampWhereTheyReachTheDisplay) {
    const std::pair<DisplayMode, DisplayTarget> cases[] = {
        {DisplayMode::bright(0.5), {1.0, {1, 1, 1}}},
        {DisplayMode::bright(9), {9.0, {1, 1, 1}}},
        {DisplayMode::red(0.05), {1.0, {0.2, 0, 0}}},
        {DisplayMode::red(1.5), {1.0, {1.0, 0, 0}}},
        {DisplayMode::warm(3400), {1.0, Kelvin::gains(3400)}},
        {DisplayMode::off(), DisplayTarget::off()},
    };
    for (const auto& [mode, expected] : cases) {
        SCOPED_TRACE(mode.shortDescription());
        EXPECT_EQ(mode.target(), expected);
    }
}

// The plain ones are the schedule list's summaries.
TEST(DisplayMode, ShortDescriptionsAndShownStrengthsRoundHalvesAwayFromZero) {
    const std::tuple<DisplayMode, const char*, std::optional<long long>> cases[] = {
        {DisplayMode::bright(1.125), "Bright 113%", 113}, {DisplayMode::warm(3420), "Warm 3400K", 3400},
        {DisplayMode::warm(3425), "Warm 3450K", 3450},     {DisplayMode::red(0.8), "Red", 80},
        {DisplayMode::bright(1e300), "Bright ∞%", std::nullopt},
        {DisplayMode::warm(std::nan("")), "Warm ?K", std::nullopt},
    };
    for (const auto& [mode, text, shown] : cases) {
        EXPECT_EQ(mode.shortDescription(), text);
        EXPECT_EQ(mode.shownStrength(), shown) << text;
    }
}

}  // namespace
}  // namespace vesperine
