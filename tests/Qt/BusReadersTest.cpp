#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "BusFixture.h"
#include "FakeBusService.h"
#include "Guards/PowerGuard.h"
#include "Platform/Linux/NightLight/GnomeNightLight.h"
#include "Platform/Linux/NightLight/KWinNightLight.h"
#include "Platform/Linux/Power/LinuxPowerSource.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/MemoryDefaultsStore.h"
#include "Spin.h"
#include "Support/TempFolder.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;
using Feature = SystemFeatureStatus;

constexpr auto timeout = 300ms;
constexpr const char* upowerPath = "/org/freedesktop/UPower";
constexpr const char* upowerInterface = "org.freedesktop.UPower";
constexpr const char* displayPath = "/org/freedesktop/UPower/devices/DisplayDevice";
constexpr const char* deviceInterface = "org.freedesktop.UPower.Device";
constexpr const char* battery = "/org/freedesktop/UPower/devices/bat0";

// The settings store for the whole run: in memory, with a test schema compiled into a temp
// folder. Set before anything in the process first looks at GSettings.
class SettingsEnvironment : public testing::Environment {
  public:
    void SetUp() override {
        dir_.write("test.gschema.xml", R"(<schemalist>
  <schema id="org.example.vesperine.color" path="/org/example/vesperine/color/">
    <key name="night-light-enabled" type="b"><default>false</default></key>
  </schema>
  <schema id="org.example.vesperine.tint" path="/org/example/vesperine/tint/">
    <key name="night-light-enabled" type="b"><default>false</default></key>
    <key name="night-light-temperature" type="u">
      <range min="1700" max="4700"/><default>2700</default>
    </key>
    <key name="night-light-schedule-automatic" type="b"><default>true</default></key>
    <key name="night-light-schedule-from" type="d"><default>20.0</default></key>
    <key name="night-light-schedule-to" type="d"><default>6.0</default></key>
  </schema>
  <schema id="org.example.vesperine.text" path="/org/example/vesperine/text/">
    <key name="night-light-enabled" type="s"><default>'yes'</default></key>
  </schema>
</schemalist>)");
        ASSERT_EQ(std::system(("glib-compile-schemas " + dir_.root()).c_str()), 0);
        ::setenv("GSETTINGS_SCHEMA_DIR", dir_.root().c_str(), 1);
        ::setenv("GSETTINGS_BACKEND", "memory", 1);
    }

  private:
    TempFolder dir_;
};
const auto* const settingsEnvironment = testing::AddGlobalTestEnvironment(new SettingsEnvironment);

PowerInputs inputs(bool onBattery, std::optional<int> percent, bool lowPower = false) {
    return {onBattery, percent, lowPower, ThermalState::nominal};
}

class BusReadersTest : public BusFixture<> {
  protected:
    void SetUp() override {
        BusFixture::SetUp();
        key(false);
        // What /sys says when UPower doesn't: a charging battery at 90%.
        supplies.values({{"BAT0/type", "Battery"}, {"BAT0/status", "Charging"}, {"BAT0/capacity", "90"}});
        zones.values({{"thermal_zone0/temp", "40000"}, {"thermal_zone0/trip_point_0_type", "passive"},
                     {"thermal_zone0/trip_point_0_temp", "90000"}});
    }
    // GNOME's night-light switch, set first when `on` is given.
    static bool key(std::optional<bool> on = {}) {
        GSettings* settings = g_settings_new("org.example.vesperine.color");
        if (on) g_settings_set_boolean(settings, "night-light-enabled", *on);
        const bool now = g_settings_get_boolean(settings, "night-light-enabled");
        g_object_unref(settings);
        return now;
    }
    std::unique_ptr<FakeBusService> gnomeDaemon() {
        const GnomeNightLight::Names names;
        return std::make_unique<FakeBusService>(loop, bus.address(), names.service, names.path,
                                                names.interface);
    }
    // KWin's night light: inhibit gives cookie 7 and inhibits, uninhibit lifts it.
    std::unique_ptr<FakeBusService> kwin(const KWinNightLight::Interface& at) {
        auto fake = std::make_unique<FakeBusService>(loop, bus.address(), at.service, at.path,
                                                     at.interface);
        for (const char* name : {"available", "enabled"}) fake->property(name, true);
        fake->property("inhibited", false);
        fake->method("inhibit", "", "u", [this, raw = fake.get()](sd_bus_message* call) {
            inhibitedBy = sd_bus_message_get_sender(call);
            raw->set("inhibited", true);
            return sd_bus_reply_method_return(call, "u", std::uint32_t{7});
        });
        fake->method("uninhibit", "u", "", [this, raw = fake.get()](sd_bus_message* call) {
            sd_bus_message_read(call, "u", &uninhibited);
            raw->set("inhibited", false);
            return sd_bus_reply_method_return(call, "");
        });
        return fake;
    }
    std::unique_ptr<SystemColourFeature> nightLight(
        bool gnome, std::string schema = "org.example.vesperine.color") {
        if (!gnome)
            return std::make_unique<KWinNightLight>(connection.get(), loop, logger, timeout);
        return std::make_unique<GnomeNightLight>(connection.get(), loop, logger,
                                                 GnomeNightLight::Names{.schema = schema}, timeout);
    }
    // Runs the request and waits for its answer.
    std::optional<bool> switchTo(SystemColourFeature& feature, bool on) {
        std::optional<bool> answer;
        feature.setEnabled(on, [&](bool held) { answer = held; });
        spin([&] { return answer.has_value(); });
        return answer;
    }

    LinuxPowerSource& makeSource() {
        LinuxPowerSource::Options options;
        options.powerSupply.root = supplies.root();
        options.thermal.root = zones.root();
        source = std::make_unique<LinuxPowerSource>(connection.get(), loop, loop, logger, options);
        observing = source->observe([this] { ++notified; });
        return *source;
    }
    bool reaches(const PowerInputs& expected) {
        if (spin([&] { return source->current() == expected; }, 5s)) return true;
        const auto got = source->current();
        ADD_FAILURE() << "on battery " << got.onBattery << ", percent " << got.batteryPercent.value_or(-1)
                      << ", low power " << got.lowPowerMode;
        return false;
    }
    // UPower with an internal battery, discharging at `percent` as its display device shows.
    std::unique_ptr<FakeBusService> upower(FakeBusService::Value onBattery, FakeBusService::Value percent) {
        auto daemon = std::make_unique<FakeBusService>(loop, bus.address(), "org.freedesktop.UPower",
                                                       upowerPath, upowerInterface);
        daemon->property("OnBattery", onBattery);
        daemon->method("EnumerateDevices", "", "ao", [](sd_bus_message* call) {
            return sd_bus_reply_method_return(call, "ao", 1, battery);
        });
        display = &daemon->add(displayPath, deviceInterface,
                               {{"Type", 2u}, {"State", 2u}, {"Percentage", percent}});
        daemon->add(battery, deviceInterface, {{"Type", 2u}, {"PowerSupply", true}});
        return daemon;
    }
    static void signal(FakeBusService& daemon, const char* member, const char* device) {
        sd_bus_emit_signal(daemon.connection()->raw(), upowerPath, upowerInterface, member, "o", device);
        daemon.connection()->flush();
    }
    // The power-profiles daemon under its current name or its older one.
    std::unique_ptr<FakeBusService> profiles(bool current, const std::string& active) {
        const char* name = current ? "org.freedesktop.UPower.PowerProfiles" : "net.hadess.PowerProfiles";
        auto daemon = std::make_unique<FakeBusService>(
            loop, bus.address(), name,
            current ? "/org/freedesktop/UPower/PowerProfiles" : "/net/hadess/PowerProfiles", name);
        daemon->property("ActiveProfile", active);
        return daemon;
    }

    CapturingLogger logger;
    FakeBusService::Object* display = nullptr;
    TempFolder supplies, zones;
    std::unique_ptr<LinuxPowerSource> source;
    Handle observing;
    int notified = 0;
    std::string inhibitedBy;
    std::uint32_t uninhibited = 0;
};

TEST_F(BusReadersTest, GnomeFollowsTheDaemonAndTheSwitch) {
    auto light = nightLight(true);
    const auto shows = [&](Feature status) {
        return spin([&] { return light->status() == status; });
    };
    auto daemon = gnomeDaemon();
    daemon->property("NightLightActive", false);
    daemon->property("DisabledUntilTomorrow", false);
    ASSERT_TRUE(daemon->publish());
    EXPECT_TRUE(shows(Feature::off));
    key(true);
    EXPECT_TRUE(shows(Feature::on));
    daemon->set("DisabledUntilTomorrow", true);
    EXPECT_TRUE(shows(Feature::off));
    daemon->set("NightLightActive", true);  // tinting now, whatever the switch says
    EXPECT_TRUE(shows(Feature::on));

    EXPECT_EQ(switchTo(*light, false), true);
    EXPECT_FALSE(key());
    daemon->set("NightLightActive", false);
    EXPECT_TRUE(shows(Feature::off));
    EXPECT_TRUE(logger.lines().empty());
}

TEST_F(BusReadersTest, KWinIsInhibitedWhileWeRunOnEitherGeneration) {
    for (const auto* at : {&KWinNightLight::plasma6, &KWinNightLight::plasma5}) {
        SCOPED_TRACE(at->interface);
        auto fake = kwin(*at);
        ASSERT_TRUE(fake->publish());
        KWinNightLight light(connection.get(), loop, logger, timeout);
        ASSERT_TRUE(spin([&] { return light.status() == Feature::on; }));
        EXPECT_EQ(light.interface()->interface, at->interface);

        EXPECT_EQ(switchTo(light, false), true);
        EXPECT_EQ(light.status(), Feature::off);
        // The inhibition is ours, held by our connection: KWin lifts it when that closes.
        const char* ours = nullptr;
        sd_bus_get_unique_name(connection->raw(), &ours);
        EXPECT_EQ(inhibitedBy, ours);
        EXPECT_EQ(switchTo(light, true), true);
        EXPECT_EQ(uninhibited, 7u);

        fake->set("enabled", false);  // the user switched it off in KWin's settings
        EXPECT_TRUE(spin([&] { return light.status() == Feature::off; }));
        EXPECT_EQ(switchTo(light, true), false);  // not ours to switch on
        fake->set("available", false);
        EXPECT_TRUE(spin([&] { return light.status() == Feature::unavailable; }));
        fake->stop();
        spinFor(50ms);
    }
    EXPECT_TRUE(logger.lines().empty());
}

// GSettings ends a process that opens a schema not installed: without GNOME's switch its night
// light is unavailable instead, and that is logged once.
TEST_F(BusReadersTest, WithoutGnomesSwitchItsNightLightIsUnavailableAndLoggedOnce) {
    auto daemon = gnomeDaemon();
    daemon->property("NightLightActive", false);
    ASSERT_TRUE(daemon->publish());
    auto light = nightLight(true, "org.example.Missing");
    EXPECT_TRUE(spin([&] { return light->status() == Feature::unavailable; }));
    spinFor(50ms);
    EXPECT_EQ(logger.count("Night Light can't be read", "conflicts"), 1u);
    EXPECT_EQ(switchTo(*light, false), false);
}

// What every reader of a bus service shares, here through UPower's: the service missing,
// starting silent, answering with an error, restarting well and stopping.
TEST_F(BusReadersTest, AReaderFollowsItsServiceComingGoingAndFailing) {
    int told = 0;
    UPowerReader reader(*connection, loop, logger, [&] { ++told; }, timeout);
    spinFor(50ms);
    EXPECT_FALSE(reader.reading());
    EXPECT_EQ(logger.count("can't be read"), 0u);  // not here: nothing to say
    {
        BusClient hung(bus.address(), "org.freedesktop.UPower");  // owns the name, never answers
        ASSERT_TRUE(hung.ok());
        int ticks = 0;
        Timer ticking = loop.repeating(10ms, [&] { ++ticks; });
        EXPECT_TRUE(spin([&] { return logger.contains("can't be read"); }));
        EXPECT_GT(ticks, 5);  // the loop kept turning while the call was out
    }
    FakeBusService failing(loop, bus.address(), "org.freedesktop.UPower", "/elsewhere",
                           upowerInterface);
    ASSERT_TRUE(failing.publish());
    EXPECT_TRUE(spin([&] { return logger.count("can't be read") == 2; }));
    EXPECT_FALSE(reader.reading());
    failing.stop();
    auto service = upower(false, 50.0);
    ASSERT_TRUE(service->publish());
    EXPECT_TRUE(spin([&] { return reader.reading().has_value(); }));
    const int before = told;
    service->stop();
    EXPECT_TRUE(spin([&] { return !reader.reading(); }));
    EXPECT_GT(told, before);
    EXPECT_EQ(logger.count("can't be read"), 2u);  // once per problem
}

TEST_F(BusReadersTest, UPowerIsFollowedThroughItsSignalsAndSysfsStandsInWithoutIt) {
    makeSource();
    EXPECT_EQ(source->current(), inputs(false, 90));  // UPower not there: /sys answers at once

    auto daemon = upower(true, 55.7);
    ASSERT_TRUE(daemon->publish());
    ASSERT_TRUE(reaches(inputs(true, 55)));
    daemon->set("OnBattery", false);
    EXPECT_TRUE(reaches(inputs(false, 55)));
    display->set("Percentage", 30.9);
    daemon->set("OnBattery", true);
    EXPECT_TRUE(reaches(inputs(true, 30)));

    // A battery that does not power the machine (a peripheral's) is not an internal one.
    const char* mouse = "/org/freedesktop/UPower/devices/mouse";
    daemon->add(mouse, deviceInterface, {{"Type", 2u}, {"PowerSupply", false}});
    signal(*daemon, "DeviceAdded", mouse);
    signal(*daemon, "DeviceRemoved", battery);
    EXPECT_TRUE(reaches(inputs(false, std::nullopt)));

    const int before = notified;
    daemon->stop();
    EXPECT_TRUE(reaches(inputs(false, 90)));
    EXPECT_GT(notified, before);
}

// The power-profiles daemon under its older name stands in while none runs under the current
// one.
TEST_F(BusReadersTest, TheCurrentProfilesNameIsPreferredAndTheOlderOneStandsIn) {
    auto old = profiles(false, "power-saver");
    ASSERT_TRUE(old->publish());
    makeSource();
    ASSERT_TRUE(reaches(inputs(false, 90, true)));
    auto current = profiles(true, "balanced");
    ASSERT_TRUE(current->publish());
    EXPECT_TRUE(reaches(inputs(false, 90, false)));
    current->stop();
    EXPECT_TRUE(reaches(inputs(false, 90, true)));
}

}  // namespace
}  // namespace vesperine
