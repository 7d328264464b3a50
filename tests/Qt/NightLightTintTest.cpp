// Warm shown through a desktop's own night light: KDE's through kwinrc, GNOME's through its
// settings, and what each gives back. That KWin reads what we write into kwinrc, and a crashed
// run's record given back, are tested against the real KWin.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BusFixture.h"
#include "Color/Kelvin.h"
#include "Display/GammaTable.h"
#include "GnomeNightLightKeys.h"
#include "Platform/Linux/Files/PosixFileSystem.h"
#include "Platform/Linux/NightLight/GnomeNightLightTint.h"
#include "Platform/Linux/NightLight/KWinNightLightTint.h"
#include "Platform/Linux/NightLight/NightLightGamma.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/MemoryDefaultsStore.h"
#include "Support/TempFolder.h"

namespace vesperine {
namespace {

using Tint = KWinNightLightTint;

// The tint announces its changes on the test's bus, where no KWin listens: what is checked
// here is the file.
class KWinNightLightTintTest : public BusFixture<> {
  protected:
    std::string kwinrc() const { return home.root() + "/kwinrc"; }
    void put(const std::string& text) const { std::ofstream(kwinrc(), std::ios::binary) << text; }
    std::string file() const {
        if (!std::filesystem::is_regular_file(kwinrc())) return "(not a file)";
        std::ifstream in(kwinrc(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    TempFolder home;
    PosixFileSystem files;
    MemoryDefaultsStore defaults;
    CapturingLogger logger;
};

TEST_F(KWinNightLightTintTest, TheUsersFileComesBackByteForByte) {
    struct Case {
        const char* name;
        std::string group, kwinrc;
    } cases[] = {
        {"Plasma 6, the user's own night light", "NightLight",
         "[Desktops]\nNumber=4\n\n# mine\n[NightLight]\nActive=true\nMode=Times\n"
         "NightTemperature = 4200\n\n[Wayland]\nInputMethod=x"},
        {"no group, no last newline", "NightLight", "[Windows]\nBorderlessMaximizedWindows=true"},
        {"empty", "NightLight", ""},
        {"lines that are not KConfig", "NightLight",
         "[NightLight\n garbage\n=no key\n[NightLight]\r\nActive=false\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        put(c.kwinrc);
        Tint tint(defaults, files, connection.get(), logger, kwinrc(), c.group);
        ASSERT_TRUE(tint.available());

        tint.show(3412);
        EXPECT_NE(file(), c.kwinrc);
        EXPECT_TRUE(tint.showing());
        EXPECT_TRUE(defaults.data(Tint::defaultsKey));
        tint.show(700);

        tint.release();
        EXPECT_EQ(file(), c.kwinrc);
        EXPECT_FALSE(tint.showing());
        EXPECT_FALSE(defaults.data(Tint::defaultsKey));
    }
    EXPECT_TRUE(logger.lines().empty());
}

TEST_F(KWinNightLightTintTest, ADamagedRecordOfACrashedRunIsDroppedAndTheFileLeftAsItIs) {
    const char* damaged[] = {
        R"({"group":"NightLight","lines":3})",
        R"({"group":"NightLight","groupExisted":true,"lines":{"Active":"Active=true\n[Evil]"}})",
    };
    for (const char* record : damaged) {
        SCOPED_TRACE(record);
        const std::string own = "# the user's\n[NightLight]\nActive=false\n";
        put(own);
        std::string left;
        {
            Tint crashed(defaults, files, connection.get(), logger, kwinrc(), "NightLight");
            crashed.show(2700);
            left = file();
        }  // ended without a release
        ASSERT_NE(left, own);
        defaults.setData(Tint::defaultsKey, record);
        Tint next(defaults, files, connection.get(), logger, kwinrc(), "NightLight");
        EXPECT_EQ(file(), left);
        EXPECT_FALSE(defaults.data(Tint::defaultsKey));
        EXPECT_FALSE(next.showing());
    }
    EXPECT_EQ(logger.count("Dropped a damaged record", "display"), 2u);
}

TEST_F(KWinNightLightTintTest, WhatCannotBeReadIsLeftAlone) {
    struct Case {
        const char* name;
        std::function<void()> make;
        const char* logged;
    } cases[] = {
        {"a folder in its place", [&] { std::filesystem::create_directory(kwinrc()); }, "is a folder"},
        {"a binary file", [&] { put(std::string("[NightLight]\nActive=\0\x01", 22)); },
         "not a text file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(kwinrc());
        c.make();
        const std::string before = file();
        Tint tint(defaults, files, connection.get(), logger, kwinrc(), "NightLight");
        tint.show(3000);
        EXPECT_FALSE(tint.showing());
        EXPECT_EQ(file(), before);
        EXPECT_TRUE(logger.contains(c.logged, "display")) << logger.lines().back().message;
    }
    EXPECT_FALSE(Tint(defaults, files, nullptr, logger, kwinrc(), "NightLight").available());
}

using Own = GnomeNightLightTint::Own;
// The schemas come from BusReadersTest.cpp's environment (one settings store per run).
constexpr const char* schema = "org.example.vesperine.tint";

class NightLightTintTest : public testing::Test {
  protected:
    void SetUp() override { setGnomeKeys(settings, own); }
    void TearDown() override { g_object_unref(settings); }
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

    GSettings* settings = g_settings_new(schema);
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
        EXPECT_EQ(gnomeKeys(settings), step.expected);
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
    EXPECT_EQ(gnomeKeys(settings), own);
    EXPECT_FALSE(defaults.data(GnomeNightLightTint::defaultsKey));
}

// (A crashed run's record given back is tested against GNOME's own daemon.)
TEST_F(NightLightTintTest, ADamagedRecordOfAnEarlierRunIsDroppedAndNothingTouched) {
    for (const char* stored : {R"({"enabled":"yes"})", "{"}) {
        SCOPED_TRACE(stored);
        setGnomeKeys(settings, wholeDay(3000));  // what the crashed run left on
        defaults.setData(GnomeNightLightTint::defaultsKey, stored);
        GnomeNightLightTint tint(defaults, logger, schema);
        EXPECT_EQ(gnomeKeys(settings), wholeDay(3000));
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
