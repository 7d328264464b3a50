#include <gtest/gtest.h>

#include <vector>

#include "Platform/Linux/Power/LinuxPowerSource.h"
#include "Platform/Linux/Power/PowerSupplyEvents.h"
#include "Platform/Linux/Power/PowerSupplyFiles.h"
#include "Platform/Linux/Power/PowerSupplyWatch.h"
#include "Platform/Linux/Power/ThermalWatch.h"
#include "Platform/Linux/Power/ThermalZones.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/VirtualTime.h"
#include "Support/TempFolder.h"

namespace vesperine {
namespace {

using Files = std::vector<std::pair<std::string, std::string>>;
using namespace std::chrono_literals;

Files battery(const std::string& name, const std::string& status, const std::string& capacity) {
    return {{name + "/type", "Battery"}, {name + "/status", status}, {name + "/capacity", capacity}};
}
Files operator+(Files a, const Files& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(PowerSupplyFiles, InternalBatteriesOnlyAndGarbageLeftOut) {
    const Files mains = {{"AC/type", "Mains"}, {"AC/online", "1"}};
    const std::tuple<const char*, Files, bool, std::optional<int>, bool> cases[] = {
        {"discharging", mains + battery("BAT0", "Discharging", "57"), true, 57, false},
        {"a mouse's battery is not the machine's",
         battery("hidpp_battery_0", "Discharging", "10") + Files{{"hidpp_battery_0/scope", "Device"}},
         false, std::nullopt, false},
        {"charge when the capacity is garbage",
         battery("BAT0", "Full", "lots") + Files{{"BAT0/charge_now", "999"}, {"BAT0/charge_full", "1000"}},
         false, 99, false},
        {"garbage everywhere",
         battery("BAT0", "Discharging", "-3") +
             Files{{"BAT0/energy_now", "12x"}, {"BAT0/energy_full", "50000"},
                   {"BAT0/charge_now", "5"}, {"BAT0/charge_full", "0"}},
         true, std::nullopt, true},
    };
    for (const auto& [name, files, onBattery, percent, problems] : cases) {
        SCOPED_TRACE(name);
        TempFolder tree;
        tree.values(files);
        auto reading = PowerSupplyFiles::read(tree.root());
        EXPECT_EQ(reading.onBattery, onBattery);
        EXPECT_EQ(reading.percent, percent);
        EXPECT_EQ(!reading.problems.empty(), problems);
    }
    EXPECT_FALSE(PowerSupplyFiles::read("/nonexistent/power_supply").onBattery);
}

TEST(PowerSupplyEvents, OnlyKernelEventsOfThePowerSupplyCount) {
    using namespace std::string_literals;
    const auto battery = "change@/devices/LNXSYSTM:00/PNP0C0A:00/power_supply/BAT0\0ACTION=change\0"
                         "DEVPATH=/devices/LNXSYSTM:00/PNP0C0A:00/power_supply/BAT0\0"
                         "SUBSYSTEM=power_supply\0POWER_SUPPLY_NAME=BAT0\0"s;
    const std::tuple<const char*, std::string> cases[] = {
        {"a battery's change", battery},
        {"a charger plugged in, the field last and unterminated",
         "change@/devices/AC\0ACTION=change\0SUBSYSTEM=power_supply"s},
        {"another subsystem", "add@/devices/usb1\0ACTION=add\0SUBSYSTEM=usb\0"s},
        {"a name that only begins alike", "change@/x\0SUBSYSTEM=power_supply_x\0"s},
        {"udev's own re-broadcast", "libudev\0\xfe\xed\xca\xfeSUBSYSTEM=power_supply\0"s},
        {"cut before the field", battery.substr(0, 40)},
    };
    for (int row = 0; const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(PowerSupplyEvents::holdsPowerSupplyEvent(bytes.data(), bytes.size()), row++ < 2);
    }
}

Files zone(const std::string& name, const std::string& temp,
           const std::vector<std::pair<std::string, std::string>>& trips) {
    Files files{{name + "/temp", temp}};
    for (std::size_t i = 0; i < trips.size(); ++i) {
        const std::string prefix = name + "/trip_point_" + std::to_string(i);
        files.push_back({prefix + "_type", trips[i].first});
        files.push_back({prefix + "_temp", trips[i].second});
    }
    return files;
}

TEST(ThermalZones, EachZoneAgainstItsOwnTripPointsHottestWins) {
    using T = ThermalState;
    const std::vector<std::pair<std::string, std::string>> laptop = {
        {"critical", "105000"}, {"hot", "100000"}, {"passive", "95000"}, {"active", "60000"}};
    const std::tuple<const char*, Files, T, int, bool> cases[] = {
        {"fan running, its cooling device no zone",
         zone("thermal_zone0", "60000", laptop) + Files{{"cooling_device0/cur_state", "1"}}, T::fair, 1,
         false},
        {"throttling", zone("thermal_zone0", "96000", laptop), T::serious, 1, false},
        {"at the hot trip", zone("thermal_zone0", "100000", laptop), T::critical, 1, false},
        {"the hottest zone counts",
         zone("thermal_zone0", "61000", laptop) + zone("thermal_zone1", "50000", {{"passive", "45000"}}),
         T::serious, 2, false},
        {"a disabled zone is left out",
         zone("thermal_zone0", "99000", {{"passive", "90000"}}) + Files{{"thermal_zone0/mode", "disabled"}},
         T::nominal, 0, false},
        {"parked trips at 0 and unknown types are left out",
         zone("thermal_zone0", "40000", {{"passive", "0"}, {"plasma", "1000"}, {"active", "-274000"}}),
         T::nominal, 1, false},
        {"a zone without a readable temperature is left out",
         zone("thermal_zone0", "n/a", {{"passive", "1000"}}) + zone("thermal_zone1", "70000", laptop),
         T::fair, 1, true},
    };
    for (const auto& [name, files, state, zones, problems] : cases) {
        SCOPED_TRACE(name);
        TempFolder tree;
        tree.values(files);
        auto reading = ThermalZones::read(tree.root());
        EXPECT_EQ(reading.state, state) << thermalStateName(reading.state);
        EXPECT_EQ(reading.zonesRead, zones);
        EXPECT_EQ(!reading.problems.empty(), problems);
    }
}

struct NoLoop final : IoWatcher {
    IoWatch watchReadable(int, std::function<void()>) override { return {}; }
};

TEST(ThermalWatch, PollsEvery30SecondsOnlyWhenThereIsAZoneToRead) {
    VirtualTime time;
    CapturingLogger logger;
    TempFolder tree;
    int changes = 0;
    ThermalWatch::Options options{tree.root(), 30s};
    {
        ThermalWatch empty(time, logger, [&] { ++changes; }, options);
        EXPECT_EQ(empty.mode(), ThermalWatch::Mode::idle);
        EXPECT_EQ(time.armedTimers(), 0u);
        EXPECT_EQ(logger.count("No thermal zone could be read"), 1u);
    }
    tree.values(zone("thermal_zone0", "50000", {{"passive", "90000"}}));
    ThermalWatch watch(time, logger, [&] { ++changes; }, options);
    EXPECT_EQ(watch.mode(), ThermalWatch::Mode::polling);
    tree.values({{"thermal_zone0/temp", "91000"}});
    time.advance(29s);
    EXPECT_EQ(watch.state(), ThermalState::nominal);
    time.advance(1s);
    EXPECT_EQ(watch.state(), ThermalState::serious);
    EXPECT_EQ(changes, 1);
    tree.values({{"thermal_zone0/temp", "garbage"}});
    time.advance(10min);
    EXPECT_EQ(watch.state(), ThermalState::nominal);
    EXPECT_EQ(logger.count("no readable temp"), 1u);
    EXPECT_EQ(time.callbacksRun(), 21u);  // one wake-up per 30 s, nothing else
}

// Without UPower the battery used to be read only when something else made the power guard
// look, so its low-battery cut-off never came on. The kernel's events tell of the charger; the
// charge is read every minute on battery, and on mains only where there are no events.
TEST(PowerSupplyWatch, WithoutUPowerTheBatteryIsFollowedWakingOnlyOnBattery) {
    VirtualTime time;
    NoLoop loop;
    CapturingLogger logger;
    TempFolder supplies, zones;
    const Files mains = {{"AC/type", "Mains"}};
    supplies.values(mains + battery("BAT0", "Charging", "90"));
    int changes = 0;
    PowerSupplyWatch events(loop, time, logger, [&] { ++changes; }, {supplies.root(), true, 60s});
    if (events.mode() != PowerSupplyWatch::Mode::events) {
        GTEST_SKIP() << "the kernel's uevent socket cannot be read here";
    }
    EXPECT_FALSE(events.polling());  // on mains: nothing to read until the kernel tells
    supplies.values(battery("BAT0", "Discharging", "90"));
    events.reread();  // as the kernel's event does
    EXPECT_TRUE(events.reading().onBattery);
    EXPECT_TRUE(events.polling());
    supplies.values(battery("BAT0", "Charging", "90"));
    events.reread();
    EXPECT_FALSE(events.polling());
    EXPECT_EQ(changes, 2);

    LinuxPowerSource::Options options;
    options.powerSupply = {supplies.root(), false, 60s};
    options.thermal.root = zones.root();
    LinuxPowerSource source(nullptr, loop, time, logger, options);
    int told = 0;
    const Handle observing = source.observe([&] { ++told; });
    EXPECT_EQ(time.armedTimers(), 1u);  // without events, the files are read on mains too
    supplies.values(battery("BAT0", "Discharging", "19"));
    time.advance(60s);
    EXPECT_EQ(source.current().batteryPercent, 19);
    EXPECT_EQ(told, 1);
    supplies.values(battery("BAT0", "Charging", "19"));
    time.advance(60s);
    EXPECT_FALSE(source.current().onBattery);
    EXPECT_EQ(told, 2);
}

}  // namespace
}  // namespace vesperine
