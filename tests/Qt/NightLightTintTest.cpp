#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "Color/Kelvin.h"
#include "Display/GammaTable.h"
#include "Platform/Linux/NightLight/GnomeNightLightTint.h"
#include "Platform/Linux/NightLight/NightLightGamma.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/MemoryDefaultsStore.h"

// The schemas come from BusReadersTest.cpp's environment (one settings store per run).
namespace vesperine {
namespace {

using Own = GnomeNightLightTint::Own;
constexpr const char* schema = "org.example.vesperine.tint";

class NightLightTintTest : public testing::Test {
  protected:
    void SetUp() override { setKeys({false, 2700, true, 20.0, 6.0}); }
    static void setKeys(const Own& own) {
        GSettings* settings = g_settings_new(schema);
        g_settings_set_boolean(settings, "night-light-enabled", own.enabled);
        g_settings_set_uint(settings, "night-light-temperature", own.temperature);
        g_settings_set_boolean(settings, "night-light-schedule-automatic", own.automatic);
        g_settings_set_double(settings, "night-light-schedule-from", own.from);
        g_settings_set_double(settings, "night-light-schedule-to", own.to);
        g_object_unref(settings);
    }
    static Own keys() {
        GSettings* settings = g_settings_new(schema);
        Own own{g_settings_get_boolean(settings, "night-light-enabled") != FALSE,
                g_settings_get_uint(settings, "night-light-temperature"),
                g_settings_get_boolean(settings, "night-light-schedule-automatic") != FALSE,
                g_settings_get_double(settings, "night-light-schedule-from"),
                g_settings_get_double(settings, "night-light-schedule-to")};
        g_object_unref(settings);
        return own;
    }
    // A table of ours with its white point at `white`.
    static int write(DisplayGamma& gamma, DisplayID display, RGBGains white) {
        auto table = GammaTable::Channels::identity(256);
        for (std::size_t i = 0; i < 256; ++i) {
            table.r[i] *= static_cast<float>(white.r);
            table.g[i] *= static_cast<float>(white.g);
            table.b[i] *= static_cast<float>(white.b);
        }
        return gamma.writeTable(display, 256, table.r.data(), table.g.data(), table.b.data());
    }

    MemoryDefaultsStore defaults;
    CapturingLogger logger;
    const Own own{false, 2700, true, 20.0, 6.0};
    const Own wholeDay(std::uint32_t kelvin) const { return {true, kelvin, false, 0, 0}; }
};

TEST_F(NightLightTintTest, WarmShowsAllDayAndTheUsersSettingsComeBack) {
    GnomeNightLightTint tint(defaults, logger, schema);
    ASSERT_TRUE(tint.available()) << tint.problem();
    NightLightGamma gamma(&tint, logger);
    EXPECT_EQ(gamma.colourControl(), ColourControl::nightLight);
    EXPECT_TRUE(logger.contains("Warm shows through its Night Light", "display"));

    struct Step {
        const char* name;
        RGBGains white;
        Own expected;
        bool kept;  // the user's values stored meanwhile
    } steps[] = {
        {"3400 K", Kelvin::gains(3400), wholeDay(3400), true},
        {"dimmed 3400 K is the same tint", {0.5, Kelvin::gains(3400).g / 2, Kelvin::gains(3400).b / 2},
         wholeDay(3400), true},
        {"a fade step rounds to 50 K", Kelvin::gains(3012), wholeDay(3000), true},
        {"warmer than the desktop allows", Kelvin::gains(1200), wholeDay(1700), true},
        {"neutral gives it back", {1, 1, 1}, own, false},
        {"and again", Kelvin::gains(4000), wholeDay(4000), true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        EXPECT_EQ(write(gamma, 1, step.white), 0);
        EXPECT_EQ(keys(), step.expected);
        EXPECT_EQ(defaults.data(GnomeNightLightTint::defaultsKey).has_value(), step.kept);
        EXPECT_EQ(gamma.showsThroughNightLight(), step.kept);
    }
    // What was written is what reads back, so the watchdog finds nothing to repair.
    std::vector<float> r(1024), g(1024), b(1024);
    std::size_t count = 0;
    ASSERT_EQ(gamma.readTable(1, 1024, r.data(), g.data(), b.data(), count), 0);
    EXPECT_EQ(count, 256u);
    EXPECT_FLOAT_EQ(b[255], static_cast<float>(Kelvin::gains(4000).b));
    ASSERT_EQ(gamma.readTable(2, 1024, r.data(), g.data(), b.data(), count), 0);
    EXPECT_FLOAT_EQ(b[count - 1], 1.0f);  // never written: the identity

    gamma.restoreAll();
    EXPECT_EQ(keys(), own);
    EXPECT_FALSE(defaults.data(GnomeNightLightTint::defaultsKey));
}

// (A crashed run's record given back is tested against GNOME's own daemon.)
TEST_F(NightLightTintTest, ADamagedRecordOfAnEarlierRunIsDroppedAndNothingTouched) {
    for (const char* stored : {R"({"enabled":"yes"})", "{"}) {
        SCOPED_TRACE(stored);
        setKeys(wholeDay(3000));  // what the crashed run left on
        defaults.setData(GnomeNightLightTint::defaultsKey, stored);
        GnomeNightLightTint tint(defaults, logger, schema);
        EXPECT_EQ(keys(), wholeDay(3000));
        EXPECT_FALSE(defaults.data(GnomeNightLightTint::defaultsKey));
        EXPECT_FALSE(tint.showing());
    }
}

TEST_F(NightLightTintTest, WithoutTheSettingsNothingCanBeShown) {
    struct Case {
        const char* schema;
        const char* problem;
    } cases[] = {
        {"org.example.vesperine.missing", "is not installed"},
        {"org.example.vesperine.color", "has no key night-light-temperature"},
        {"org.example.vesperine.text", "night-light-enabled is not of the expected type"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.schema);
        GnomeNightLightTint tint(defaults, logger, c.schema);
        EXPECT_FALSE(tint.available());
        EXPECT_NE(tint.problem().find(c.problem), std::string::npos) << tint.problem();
        NightLightGamma gamma(&tint, logger);
        EXPECT_EQ(gamma.colourControl(), ColourControl::none);
        EXPECT_NE(write(gamma, 1, Kelvin::gains(3000)), 0);
        EXPECT_FALSE(gamma.showsThroughNightLight());
    }
    NightLightGamma none(nullptr, logger);
    EXPECT_EQ(none.colourControl(), ColourControl::none);
    EXPECT_TRUE(logger.contains("lends no Night Light", "display"));
}

}  // namespace
}  // namespace vesperine
