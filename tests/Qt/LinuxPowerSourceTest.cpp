#include "Platform/Linux/Power/LinuxPowerSource.h"

#include "BusFixture.h"
#include "DbusMock.h"
#include "Guards/PowerGuard.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/MemoryDefaultsStore.h"
#include "Spin.h"
#include "Support/TempFolder.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;

constexpr const char* upowerPath = "/org/freedesktop/UPower";
constexpr const char* upowerInterface = "org.freedesktop.UPower";
constexpr const char* displayPath = "/org/freedesktop/UPower/devices/DisplayDevice";
constexpr const char* deviceInterface = "org.freedesktop.UPower.Device";

PowerInputs inputs(bool onBattery, std::optional<int> percent, bool lowPower = false) {
    return {onBattery, percent, lowPower, ThermalState::nominal};
}

class LinuxPowerSourceTest : public BusFixture<BusConnection::Bus::system> {
  protected:
    void SetUp() override {
        BusFixture::SetUp();
        // What /sys says when UPower doesn't: a charging battery at 90%.
        supplies.values({{"BAT0/type", "Battery"}, {"BAT0/status", "Charging"}, {"BAT0/capacity", "90"}});
        zones.values({{"thermal_zone0/temp", "40000"}, {"thermal_zone0/trip_point_0_type", "passive"},
                     {"thermal_zone0/trip_point_0_temp", "90000"}});
    }
    LinuxPowerSource& make() {
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
    DbusMock upower(const char* parameters) {
        return DbusMock(bus.address(), "org.freedesktop.UPower",
                        {"--template", "upower", "-p", parameters});
    }
    // A discharging battery "bat0" at `percent`, and the display device showing it.
    static bool discharging(DbusMock& daemon, double percent) {
        return daemon.control(upowerPath, "AddDischargingBattery", "ssdx", "bat0", "Battery",
                              percent, std::int64_t{3600}) &&
               daemon.control(upowerPath, "SetupDisplayDevice", "uuddddxxbsu", 2u, 2u, percent,
                              percent, 100.0, 10.0, std::int64_t{3600}, std::int64_t{0}, 1,
                              "battery-good", 1u);
    }
    DbusMock oldProfiles(const char* parameters) {
        return DbusMock(bus.address(), "net.hadess.PowerProfiles",
                        {"--template", "power_profiles_daemon", "-p", parameters});
    }

    CapturingLogger logger;
    TempFolder supplies, zones;
    std::unique_ptr<LinuxPowerSource> source;
    Handle observing;
    int notified = 0;
};

TEST_F(LinuxPowerSourceTest, UPowerIsFollowedThroughItsSignalsAndSysfsStandsInWithoutIt) {
    make();
    EXPECT_EQ(source->current(), inputs(false, 90));  // UPower not there: /sys answers at once

    auto daemon = upower(R"({"OnBattery": true})");
    ASSERT_TRUE(daemon.ready() && discharging(daemon, 55.7));
    ASSERT_TRUE(reaches(inputs(true, 55)));
    daemon.set(upowerPath, upowerInterface, "OnBattery", "b", 0);
    EXPECT_TRUE(reaches(inputs(false, 55)));
    daemon.set(displayPath, deviceInterface, "Percentage", "d", 30.9);
    daemon.set(upowerPath, upowerInterface, "OnBattery", "b", 1);
    EXPECT_TRUE(reaches(inputs(true, 30)));

    // A battery that does not power the machine (a peripheral's) is not an internal one.
    const char* mouse = "/org/freedesktop/UPower/devices/mouse";
    ASSERT_TRUE(daemon.control(upowerPath, "AddObject", "ssa{sv}a(ssss)", mouse, deviceInterface, 2, "Type",
                               "u", 2u, "PowerSupply", "b", 0, 0));
    ASSERT_TRUE(daemon.control(upowerPath, "EmitSignal", "sssav", upowerInterface, "DeviceAdded",
                               "o", 1, "o", mouse));
    ASSERT_TRUE(daemon.control(upowerPath, "RemoveDevice", "o", "/org/freedesktop/UPower/devices/bat0"));
    EXPECT_TRUE(reaches(inputs(false, std::nullopt)));

    const int before = notified;
    daemon.stop();
    EXPECT_TRUE(reaches(inputs(false, 90)));
    EXPECT_GT(notified, before);
}

TEST_F(LinuxPowerSourceTest, ValuesOfTheWrongTypeAreLeftOutAndLoggedOnce) {
    auto daemon = upower(R"({"OnBattery": "yes"})");
    auto profiles = oldProfiles(R"({"ActiveProfile": 5})");
    ASSERT_TRUE(daemon.ready() && profiles.ready() && discharging(daemon, 40));
    make();
    // OnBattery is text: the display device's state (discharging) stands in.
    ASSERT_TRUE(reaches(inputs(true, 40)));
    daemon.set(displayPath, deviceInterface, "Percentage", "s", "full");
    EXPECT_TRUE(reaches(inputs(true, std::nullopt)));
    daemon.set(displayPath, deviceInterface, "Percentage", "s", "empty");
    spinFor(200ms);
    EXPECT_EQ(logger.count("OnBattery is of type \"s\""), 1u);
    EXPECT_EQ(logger.count("Percentage is not a number"), 1u);
    EXPECT_EQ(logger.count("active power profile of net.hadess.PowerProfiles is of type"), 1u);
}

TEST_F(LinuxPowerSourceTest, PowerSaverIsLowPowerModeAndTheCurrentNameIsPreferred) {
    auto old = oldProfiles(R"({"ActiveProfile": "power-saver"})");
    ASSERT_TRUE(old.ready());
    make();
    ASSERT_TRUE(reaches(inputs(false, 90, true)));

    const char* name = "org.freedesktop.UPower.PowerProfiles";
    const char* path = "/org/freedesktop/UPower/PowerProfiles";
    DbusMock current(bus.address(), name, {name, path, name});
    ASSERT_TRUE(current.ready());
    ASSERT_TRUE(current.control(path, "AddProperty", "ssv", "", "ActiveProfile", "s", "performance"));
    current.set(path, name, "ActiveProfile", "s", "performance");
    EXPECT_TRUE(reaches(inputs(false, 90, false)));
    current.stop();
    EXPECT_TRUE(reaches(inputs(false, 90, true)));
    old.stop();
    EXPECT_TRUE(reaches(inputs(false, 90, false)));
}

TEST_F(LinuxPowerSourceTest, NoWakeUpsWhileNothingChanges) {
    auto daemon = upower(R"({"OnBattery": false})");
    auto profiles = oldProfiles(R"({"ActiveProfile": "balanced"})");
    ASSERT_TRUE(daemon.ready() && profiles.ready());
    make();
    MemoryDefaultsStore defaults;
    PowerGuard guard(defaults, *source, loop);
    guard.start();
    spinFor(300ms);  // every first answer is in
    const auto timers = loop.timerCallbacksRun();
    const int notifications = notified;
    spinFor(1500ms);
    EXPECT_EQ(loop.timerCallbacksRun(), timers);
    EXPECT_EQ(notified, notifications);
    EXPECT_FALSE(guard.isTicking());
    // Where the kernel offers thermal events to us, the zones are not polled either.
    EXPECT_NE(source->thermal().mode(), ThermalWatch::Mode::idle);
}

}  // namespace
}  // namespace vesperine
