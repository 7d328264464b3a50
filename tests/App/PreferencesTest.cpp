#include "App/Preferences.h"

#include <gtest/gtest.h>

#include "Platform/Simulated/MemoryDefaultsStore.h"

namespace vesperine {
namespace {

TEST(Preferences, LoadFallsBackAsAWholeRecord) {
    const std::tuple<const char*, std::optional<DefaultsValue>, Preferences> cases[] = {
        {"absent", std::nullopt, {}},
        {"valid", Data{R"({"boostLevel":3,"warmKelvin":2700,"redIntensity":0.5})"}, {3, 2700, 0.5}},
        {"stored as is", Data{R"({"boostLevel":99,"warmKelvin":-5,"redIntensity":7})"}, {99, -5, 7}},
        {"extra member", Data{R"({"boostLevel":3,"warmKelvin":2700,"redIntensity":0.5,"x":1})"},
         {3, 2700, 0.5}},
        {"members missing", Data{R"({"boostLevel":3})"}, {}},
        {"not a number", Data{R"({"boostLevel":"3","warmKelvin":2700,"redIntensity":0.5})"}, {}},
        {"garbage", Data{"\x01\x02garbage"}, {}},
        {"wrong value type", std::string("{}"), {}},
    };
    for (const auto& [name, stored, expected] : cases) {
        SCOPED_TRACE(name);
        MemoryDefaultsStore defaults;
        if (stored) defaults.set("preferences", *stored);
        EXPECT_EQ(Preferences::load(defaults), expected);
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
    const std::tuple<DisplayMode::Kind, double, bool, double> cases[] = {
        {DisplayMode::Kind::bright, 4.0, true, 4.0},   {DisplayMode::Kind::bright, 1.1, false, 1.1},
        {DisplayMode::Kind::bright, 2.0, true, 2.1},   {DisplayMode::Kind::bright, 0.2, true, 1.1},
        {DisplayMode::Kind::warm, 1300, true, 1200},   {DisplayMode::Kind::warm, 6400, false, 6500},
        {DisplayMode::Kind::warm, 3400, true, 3150},
        {DisplayMode::Kind::red, 0.95, true, 1.0},     {DisplayMode::Kind::red, 0.25, false, 0.2},
    };
    for (const auto& [kind, remembered, up, expected] : cases) {
        SCOPED_TRACE(std::string(rawValue(kind)) + " " + std::to_string(remembered));
        Preferences preferences;
        preferences.setStrength(kind, remembered);
        auto stepped = steppedStrength(kind, preferences, up);
        ASSERT_TRUE(stepped);
        EXPECT_NEAR(*stepped, expected, 1e-9);
    }
    EXPECT_FALSE(steppedStrength(DisplayMode::Kind::off, Preferences{}, true));
}

}  // namespace
}  // namespace vesperine
