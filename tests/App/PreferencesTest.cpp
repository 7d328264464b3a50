#include "App/Preferences.h"

#include <gtest/gtest.h>

#include "Platform/Simulated/MemoryDefaultsStore.h"

namespace vesperine {
namespace {

TEST(Preferences, LoadFallsBackAsAWholeRecord) {
    struct Case {
        const char* name;
        std::optional<DefaultsValue> stored;
        Preferences expected;
    } cases[] = {
        {"absent", std::nullopt, {}},
        {"valid", Data{R"({"boostLevel":3,"warmKelvin":2700,"redIntensity":0.5})"}, {3, 2700, 0.5}},
        {"stored as is", Data{R"({"boostLevel":99,"warmKelvin":-5,"redIntensity":7})"}, {99, -5, 7}},
        {"extra member", Data{R"({"boostLevel":3,"warmKelvin":2700,"redIntensity":0.5,"x":1})"},
         {3, 2700, 0.5}},
        {"members missing", Data{R"({"boostLevel":3})"}, {}},
        {"not a number", Data{R"({"boostLevel":"3","warmKelvin":2700,"redIntensity":0.5})"}, {}},
        {"garbage", Data{"\x01\x02garbage"}, {}},
        {"truncated", Data{R"({"boostLevel":3,"warmKel)"}, {}},
        {"wrong value type", std::string("{}"), {}},
        {"huge number", Data{R"({"boostLevel":1e999,"warmKelvin":2700,"redIntensity":0.5})"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryDefaultsStore defaults;
        if (c.stored) defaults.set("preferences", *c.stored);
        EXPECT_EQ(Preferences::load(defaults), c.expected);
    }
}

TEST(Preferences, SaveRoundTripsAndRefusesNonFinite) {
    MemoryDefaultsStore defaults;
    Preferences chosen{3.3, 2950, 0.4};
    chosen.save(defaults);
    EXPECT_EQ(Preferences::load(defaults), chosen);

    Preferences broken{std::nan(""), 2950, 0.4};
    broken.save(defaults);
    EXPECT_EQ(Preferences::load(defaults), chosen);  // nothing written over the good record
}

TEST(Preferences, SteppingClampsToEachKindsRange) {
    struct Case {
        DisplayMode::Kind kind;
        double remembered;
        bool up;
        double expected;
    } cases[] = {
        {DisplayMode::Kind::bright, 4.0, true, 4.0},   {DisplayMode::Kind::bright, 1.1, false, 1.1},
        {DisplayMode::Kind::bright, 2.0, true, 2.1},   {DisplayMode::Kind::bright, 0.2, true, 1.1},
        {DisplayMode::Kind::warm, 1300, true, 1200},   {DisplayMode::Kind::warm, 6400, false, 6500},
        {DisplayMode::Kind::warm, 3400, true, 3150},   {DisplayMode::Kind::warm, 1e9, true, 6500},
        {DisplayMode::Kind::red, 0.95, true, 1.0},     {DisplayMode::Kind::red, 0.25, false, 0.2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(rawValue(c.kind)) + " " + std::to_string(c.remembered));
        Preferences preferences;
        preferences.setStrength(c.kind, c.remembered);
        auto stepped = steppedStrength(c.kind, preferences, c.up);
        ASSERT_TRUE(stepped);
        EXPECT_NEAR(*stepped, c.expected, 1e-9);
    }
    EXPECT_FALSE(steppedStrength(DisplayMode::Kind::off, Preferences{}, true));
}

}  // namespace
}  // namespace vesperine
