#include "State/DisplayMode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "Color/Kelvin.h"

namespace vesperine {
namespace {

TEST(DisplayMode, DecodesTheStoredForms) {
    struct Case {
        const char* json;
        std::optional<DisplayMode> expected;
    } cases[] = {
        {R"({"off":{}})", DisplayMode::off()},
        {R"({"bright":{"level":9}})", DisplayMode::bright(9)},
        {R"({"warm":{"kelvin":3400.0}})", DisplayMode::warm(3400)},
        {R"({"red":{"intensity":0.8},"note":"extra members are ignored"})", DisplayMode::red(0.8)},
        {R"({"warm":{"kelvin":0}})", DisplayMode::warm(0)},  // kept as stored
        {R"({})", std::nullopt},
        {R"({"bright":{"level":2},"red":{"intensity":1}})", std::nullopt},
        {R"({"dim":{"level":2}})", std::nullopt},
        {R"({"bright":{"level":"2"}})", std::nullopt},
        {R"({"off":1})", std::nullopt},
        {R"([{"off":{}}])", std::nullopt},
        {R"({"warm":{"kelvin":1e999}})", std::nullopt},
        {"", std::nullopt},
        {"\xff\xfe", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        auto decoded = json::decode<DisplayMode>(c.json);
        EXPECT_EQ(decoded.ok() ? std::optional(*decoded) : std::nullopt, c.expected);
    }
}

TEST(DisplayMode, RoundTripsThroughJson) {
    for (auto mode : {DisplayMode::bright(2.5), DisplayMode::warm(3400), DisplayMode::red(0.8),
                      DisplayMode::off(), DisplayMode::warm(3400.123456789)}) {
        auto text = json::encode(mode);
        ASSERT_TRUE(text.ok());
        EXPECT_EQ(*json::decode<DisplayMode>(*text), mode) << *text;
    }
    EXPECT_EQ(*json::encode(DisplayMode::off()), R"({"off":{}})");
    EXPECT_FALSE(json::encode(DisplayMode::warm(std::nan(""))).ok());
    // Kinds are stored by their raw values.
    const char* raw[] = {"bright", "warm", "red", "off"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(*json::decode<DisplayMode::Kind>("\"" + std::string(raw[i]) + "\""),
                  allDisplayModeKinds[i]);
    EXPECT_FALSE(kindFromRawValue("Bright"));
}

TEST(DisplayMode, TargetsClampWhereTheyReachTheDisplay) {
    struct Case {
        DisplayMode mode;
        DisplayTarget expected;
    } cases[] = {
        {DisplayMode::bright(0.5), {1.0, {1, 1, 1}}},
        {DisplayMode::bright(9), {9.0, {1, 1, 1}}},
        {DisplayMode::red(0.05), {1.0, {0.2, 0, 0}}},
        {DisplayMode::red(1.5), {1.0, {1.0, 0, 0}}},
        {DisplayMode::warm(3400), {1.0, Kelvin::gains(3400)}},
        {DisplayMode::warm(0), {1.0, Kelvin::gains(1200)}},
        {DisplayMode::off(), DisplayTarget::off()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode.shortDescription());
        EXPECT_EQ(c.mode.target(), c.expected);
    }
}

TEST(DisplayMode, ShortDescriptionsAndShownStrengthsRoundHalvesAwayFromZero) {
    struct Case {
        DisplayMode mode;
        const char* text;
        std::optional<long long> shown;
    } cases[] = {
        {DisplayMode::bright(2.5), "Bright 250%", 250}, {DisplayMode::bright(1.125), "Bright 113%", 113},
        {DisplayMode::warm(3420), "Warm 3400K", 3400},  {DisplayMode::warm(3425), "Warm 3450K", 3450},
        {DisplayMode::red(0.8), "Red", 80},               {DisplayMode::off(), "Off", std::nullopt},
        {DisplayMode::bright(1e300), "Bright ∞%", std::nullopt},
        {DisplayMode::warm(std::nan("")), "Warm ?K", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.mode.shortDescription(), c.text);
        EXPECT_EQ(c.mode.shownStrength(), c.shown) << c.text;
    }
}

}  // namespace
}  // namespace vesperine
