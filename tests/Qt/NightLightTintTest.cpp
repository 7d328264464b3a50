// Warm shown through a desktop's own night light: KDE's through kwinrc, GNOME's through its
// settings, and what each gives back.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "BusFixture.h"
#include "Color/Kelvin.h"
#include "Display/GammaTable.h"
#include "FakeBusService.h"
#include "GnomeNightLightKeys.h"
#include "Platform/Linux/Files/PosixFileSystem.h"
#include "Platform/Linux/NightLight/GnomeNightLightTint.h"
#include "Platform/Linux/NightLight/KWinNightLight.h"
#include "Platform/Linux/NightLight/KWinNightLightTint.h"
#include "Platform/Linux/NightLight/NightLightGamma.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/MemoryDefaultsStore.h"
#include "Spin.h"
#include "Support/TempFolder.h"

namespace vesperine {
namespace {

using Tint = KWinNightLightTint;

// KWin as far as its night light goes: it reads its group of kwinrc at start and whenever
// ConfigChanged at /kwinrc names that group, and shows `mode` (3: constant) and
// `targetTemperature`. It reads the file as KConfig does, not through the code under test.
class FakeKWin {
  public:
    FakeKWin(QtMainLoop& loop, const std::string& address, std::string kwinrc, std::string group)
        : loop_(loop), address_(address), kwinrc_(std::move(kwinrc)), group_(std::move(group)) {
        start();
    }
    void start() {
        const auto& at = KWinNightLight::plasma6;
        service_ = std::make_unique<FakeBusService>(loop_, address_, at.service, at.path, at.interface);
        service_->property("available", true);
        service_->property("inhibited", false);
        apply(false);
        service_->publish();
        heard_ = service_->connection()->match(
            {"", "/kwinrc", "org.kde.kconfig.notify", "ConfigChanged"}, [this](sd_bus_message* m) {
                changed.clear();
                const char* group = nullptr;
                sd_bus_message_enter_container(m, 'a', "{saay}");
                while (sd_bus_message_enter_container(m, 'e', "saay") > 0) {
                    sd_bus_message_read(m, "s", &group);
                    sd_bus_message_enter_container(m, 'a', "ay");
                    const void* key = nullptr;
                    std::size_t size = 0;
                    while (sd_bus_message_read_array(m, 'y', &key, &size) > 0 && size > 0) {
                        changed += std::string(group) + "/" +
                                   std::string(static_cast<const char*>(key), size) + " ";
                    }
                    sd_bus_message_exit_container(m);
                    sd_bus_message_exit_container(m);
                }
                if (changed.starts_with(group_ + "/")) apply(true);
            });
    }
    void stop() {
        heard_ = {};
        service_.reset();
    }
    std::uint32_t value(const std::string& property) const { return shown_.at(property); }

    std::string changed;  // "Group/Key " of the last ConfigChanged

  private:
    void apply(bool announce) {
        std::ifstream in(kwinrc_);
        std::stringstream kconfig;
        for (std::string line; std::getline(in, line);) {
            if (line.ends_with('\r')) line.pop_back();
            const auto first = line.find_first_not_of(" \t");
            const bool header = first != std::string::npos && line[first] == '[';
            if (first == std::string::npos || line[first] == '#' ||
                (header ? line.back() == ']' : line.find('=') != std::string::npos && line[first] != '='))
                kconfig << line << '\n';
        }
        GKeyFile* file = g_key_file_new();
        g_key_file_load_from_data(file, kconfig.str().c_str(), -1, G_KEY_FILE_NONE, nullptr);
        const bool active = g_key_file_get_boolean(file, group_.c_str(), "Active", nullptr);
        gchar* mode = g_key_file_get_string(file, group_.c_str(), "Mode", nullptr);
        GError* missing = nullptr;
        int night = g_key_file_get_integer(file, group_.c_str(), "NightTemperature", &missing);
        if (missing) night = 4500, g_error_free(missing);  // KWin's default
        const bool constant = mode && std::string(mode) == "Constant";
        g_free(mode);
        g_key_file_free(file);
        const auto set = [&](const char* name, std::uint32_t value) {
            shown_[name] = value;
            announce ? service_->set(name, value) : service_->property(name, value);
        };
        announce ? service_->set("enabled", active) : service_->property("enabled", active);
        set("mode", std::uint32_t{constant ? 3u : 0u});
        set("targetTemperature", std::uint32_t(active && constant ? std::clamp(night, 1000, 6500) : 6500));
    }

    QtMainLoop& loop_;
    std::string address_, kwinrc_, group_;
    std::unique_ptr<FakeBusService> service_;
    std::map<std::string, std::uint32_t> shown_;
    Handle heard_;
};

class KWinNightLightTintTest : public BusFixture<> {
  protected:
    std::string kwinrc() const { return home.root() + "/kwinrc"; }
    void put(const std::string& text) const { std::ofstream(kwinrc(), std::ios::binary) << text; }
    std::string file() const {
        if (!std::filesystem::is_regular_file(kwinrc())) return "(not a file)";
        std::ifstream in(kwinrc(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    bool shows(FakeKWin& kwin, std::uint32_t kelvin) {
        return spin([&] { return kwin.value("targetTemperature") == kelvin; });
    }

    TempFolder home;
    PosixFileSystem files;
    MemoryDefaultsStore defaults;
    CapturingLogger logger;
};

TEST_F(KWinNightLightTintTest, KWinFollowsAndTheUsersFileComesBackByteForByte) {
    struct Case {
        const char* name;
        std::string group, kwinrc;
    } cases[] = {
        {"Plasma 6, the user's own night light", "NightLight",
         "[Desktops]\nNumber=4\n\n# mine\n[NightLight]\nActive=true\nMode=Times\n"
         "NightTemperature = 4200\n\n[Wayland]\nInputMethod=x"},
        {"no group, no last newline", "NightLight", "[Windows]\nBorderlessMaximizedWindows=true"},
        {"no group", "NightLight", "[Windows]\nBorderlessMaximizedWindows=true\n"},
        {"empty", "NightLight", ""},
        {"lines that are not KConfig", "NightLight",
         "[NightLight\n garbage\n=no key\n[NightLight]\r\nActive=false\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        put(c.kwinrc);
        FakeKWin kwin(loop, bus.address(), kwinrc(), c.group);
        const auto own = kwin.value("targetTemperature");
        Tint tint(defaults, files, connection.get(), logger, kwinrc(), c.group);
        ASSERT_TRUE(tint.available());

        tint.show(3412);
        ASSERT_TRUE(shows(kwin, 3400));
        EXPECT_EQ(kwin.value("mode"), 3u);
        EXPECT_TRUE(tint.showing());
        EXPECT_TRUE(defaults.data(Tint::defaultsKey));
        tint.show(700);  // KWin's lowest, and only the changed key is named
        EXPECT_TRUE(shows(kwin, 1000));
        EXPECT_EQ(kwin.changed, c.group + "/NightTemperature ");

        tint.release();
        EXPECT_EQ(file(), c.kwinrc);
        EXPECT_TRUE(shows(kwin, own));
        EXPECT_FALSE(tint.showing());
        EXPECT_FALSE(defaults.data(Tint::defaultsKey));
    }
    EXPECT_TRUE(logger.lines().empty());
}

// (A crashed run's record given back is tested against the real KWin.)
TEST_F(KWinNightLightTintTest, ADamagedRecordOfACrashedRunIsDroppedAndTheFileLeftAsItIs) {
    const char* damaged[] = {
        R"({"group":"NightLight","lines":3})",
        R"({"group":"NightLight","groupExisted":true,"lines":{"Active":"Active=true\n[Evil]"}})",
    };
    for (const char* record : damaged) {
        SCOPED_TRACE(record);
        put("# the user's\n[NightLight]\nActive=false\n");
        FakeKWin kwin(loop, bus.address(), kwinrc(), "NightLight");
        std::string left;
        {
            Tint crashed(defaults, files, connection.get(), logger, kwinrc(), "NightLight");
            crashed.show(2700);
            ASSERT_TRUE(shows(kwin, 2700));
            left = file();
        }  // ended without a release
        defaults.setData(Tint::defaultsKey, record);
        Tint next(defaults, files, connection.get(), logger, kwinrc(), "NightLight");
        EXPECT_EQ(file(), left);
        EXPECT_TRUE(shows(kwin, 2700));
        EXPECT_FALSE(defaults.data(Tint::defaultsKey));
        EXPECT_FALSE(next.showing());
    }
    EXPECT_EQ(logger.count("Dropped a damaged record", "display"), 2u);
}

TEST_F(KWinNightLightTintTest, WhatCannotBeReadIsLeftAloneAndARestartedKWinReadsTheFile) {
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

    std::filesystem::remove_all(kwinrc());
    put("[NightLight]\nActive=true\nMode=Constant\nNightTemperature=4000\n");
    FakeKWin kwin(loop, bus.address(), kwinrc(), "NightLight");
    Tint tint(defaults, files, connection.get(), logger, kwinrc(), "NightLight");
    kwin.stop();
    tint.show(3000);  // heard by no one
    kwin.start();
    EXPECT_TRUE(shows(kwin, 3000));
    tint.release();
    EXPECT_TRUE(shows(kwin, 4000));
}

TEST(KWinNightLightGroup, FollowsThePlasmaSession) {
    EXPECT_EQ(KWinNightLightTint::groupFor("5"), "NightColor");
    EXPECT_EQ(KWinNightLightTint::groupFor("6"), "NightLight");
    EXPECT_EQ(KWinNightLightTint::groupFor(nullptr), "NightLight");
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
