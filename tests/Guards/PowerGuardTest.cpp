#include "Guards/PowerGuard.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Platform/Simulated/MemoryDefaultsStore.h"
#include "Platform/Simulated/SimulatedPowerSource.h"
#include "Platform/Simulated/VirtualTime.h"

namespace vesperine {
namespace {

using ModeResolver::BoostLimit;
using namespace std::chrono_literals;

class PowerGuardTest : public ::testing::Test {
protected:
    PowerGuard& launch() {
        guard = std::make_unique<PowerGuard>(defaults, source, time);
        guard->onChange = [this](const BoostLimit& limit) { changes.push_back(limit); };
        guard->start();
        return *guard;
    }
    void heat(ThermalState thermal) {
        auto inputs = source.inputs();
        inputs.thermal = thermal;
        source.set(inputs);
    }

    MemoryDefaultsStore defaults;
    SimulatedPowerSource source;
    VirtualTime time;
    std::unique_ptr<PowerGuard> guard;
    std::vector<BoostLimit> changes;
};

TEST_F(PowerGuardTest, ConstructionLoadsTheSettingsAndTouchesNothingElse) {
    const std::string keys = R"("offInLowPowerMode":false,"thermalProtection":true})";
    const std::pair<std::string, GuardSettings> cases[] = {
        {R"({"capOnBattery":false,"batteryCap":2.5,"lowBatteryPercent":10,)" + keys,
         {false, 2.5, 10, false, true}},
        {"not json", {}},
        {R"({"capOnBattery":"no","batteryCap":2.5,"lowBatteryPercent":10,)" + keys, {}},
        {R"({"capOnBattery":false,"batteryCap":2.5,"lowBatteryPercent":4294967296,)" + keys, {}},
    };
    for (const auto& [stored, expected] : cases) {
        SCOPED_TRACE(stored);
        defaults.setData("guardSettings", stored);
        PowerGuard idle(defaults, source, time);
        EXPECT_EQ(idle.settings().get(), expected);
        EXPECT_EQ(defaults.data("guardSettings"), stored);  // bad data stays until the next save
        EXPECT_EQ(idle.limit().get(), BoostLimit::none());
    }
    EXPECT_EQ(source.reads(), 0u);
    EXPECT_EQ(source.observers(), 0u);
}

TEST_F(PowerGuardTest, SettingsAreSavedOnEveryWriteAndReEvaluated) {
    launch();
    source.set({true, 80, false, ThermalState::nominal});
    ASSERT_EQ(changes, (std::vector{BoostLimit::cap(1.5, "on battery")}));

    GuardSettings changed;
    changed.batteryCap = 2.0;
    guard->setSettings(changed);
    EXPECT_EQ(changes.back(), BoostLimit::cap(2.0, "on battery"));
    EXPECT_EQ(PowerGuard(defaults, source, time).settings().get(), changed);

    // The same settings again: saved again and evaluated, but the limit did not change.
    defaults.remove("guardSettings");
    const auto reads = source.reads();
    guard->setSettings(changed);
    EXPECT_TRUE(defaults.data("guardSettings"));
    EXPECT_EQ(source.reads(), reads + 1);
    EXPECT_EQ(changes.size(), 2u);
}

TEST_F(PowerGuardTest, TicksEvery30SecondsWhileHotAndStopsOnceCool) {
    launch();
    EXPECT_FALSE(guard->isTicking());
    EXPECT_EQ(time.armedTimers(), 0u);

    // No event after the first: the tick alone steps the cap down (the policy's steps).
    heat(ThermalState::serious);
    time.advance(60s);
    EXPECT_EQ(changes.size(), 3u);
    heat(ThermalState::nominal);
    time.advance(119s);
    EXPECT_TRUE(guard->isTicking());  // still stepping back down
    time.advance(120s);
    EXPECT_EQ(changes.back(), BoostLimit::none());
    EXPECT_FALSE(guard->isTicking());
    EXPECT_EQ(time.armedTimers(), 0u);
}

TEST_F(PowerGuardTest, NothingRunsOnceTheGuardIsGone) {
    launch();
    heat(ThermalState::critical);
    guard.reset();
    source.notify();
    time.advance(5min);
    EXPECT_EQ(changes.size(), 1u);
    EXPECT_EQ(source.observers(), 0u);
}

}  // namespace
}  // namespace vesperine
