#include "Guards/PowerGuard.h"
#include "Guards/PowerGuardPolicy.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <vector>

#include "Platform/Simulated/MemoryDefaultsStore.h"
#include "Platform/Simulated/SimulatedPowerSource.h"
#include "Platform/Simulated/VirtualTime.h"

namespace vesperine {
namespace {

using ModeResolver::BoostLimit;
using T = ThermalState;

PowerInputs heat(T thermal) { return {false, 100, false, thermal}; }
PowerInputs battery(std::optional<int> percent, T thermal = T::nominal, bool lowPower = false) {
    return {true, percent, lowPower, thermal};
}

GuardSettings with(const std::function<void(GuardSettings&)>& change) {
    GuardSettings settings;
    change(settings);
    return settings;
}

BoostLimit off(const char* reason) { return BoostLimit::disabled(reason); }
BoostLimit cap(double value, const char* reason) { return BoostLimit::cap(value, reason); }
const BoostLimit none = BoostLimit::none();
BoostLimit warm(double value) { return cap(value, "computer is warm"); }
const BoostLimit low = off("battery low"), onBattery = cap(1.5, "on battery");

// One evaluation of a scenario: at `at` seconds, with these inputs (and settings, when given).
struct Step {
    double at;
    PowerInputs inputs;
    BoostLimit expected;
    std::optional<GuardSettings> settings = std::nullopt;
};

TEST(PowerGuardPolicy, ScenariosEvaluatedInOrderOnOneState) {
    const GuardSettings defaults;
    struct Scenario {
        const char* name;
        GuardSettings settings;
        std::vector<Step> steps;
    } scenarios[] = {
        {"low battery latches below 20% and lets go at 25%; plugging in clears it", defaults,
         {{0, battery(19), low}, {1, battery(24), low}, {2, battery(25), onBattery},
          {3, battery(22), onBattery}, {4, {false, 19, false, T::nominal}, none}}},
        {"no charge reading keeps the latch as it was", defaults,
         {{0, battery(19), low}, {1, battery(std::nullopt), low}, {2, battery(40), onBattery},
          {3, battery(std::nullopt), onBattery}}},
        {"a threshold near the integer limit does not overflow",
         with([](GuardSettings& s) { s.lowBatteryPercent = INT_MAX; }),
         {{0, battery(100), low}}},
        {"Low Power Mode wins over caps and loses to battery low", defaults,
         {{0, battery(50, T::serious, true), off("Low Power Mode")},
          {1, battery(10, T::serious, true), low}}},
        {"serious steps down at most every 30 s", defaults,
         {{0, heat(T::serious), warm(2.5)}, {29, heat(T::serious), warm(2.5)},
          {30, heat(T::serious), warm(2.0)}, {90, heat(T::serious), warm(1.5)}}},
        {"critical turns boost off at once and steps back after cooling", defaults,
         {{0, heat(T::critical), off("computer is hot")},
          {10, heat(T::nominal), off("computer is hot")},
          {129, heat(T::nominal), off("computer is hot")}, {130, heat(T::nominal), warm(1.5)},
          {159, heat(T::fair), warm(1.5)}, {160, heat(T::fair), warm(2.0)},
          {190, heat(T::nominal), warm(2.5)}, {220, heat(T::nominal), none}}},
        {"a smaller thermal cap wins over the battery's",
         with([](GuardSettings& s) { s.batteryCap = 2.0; }),
         {{0, battery(80, T::serious), cap(2.0, "on battery")},
          {30, battery(80, T::serious), cap(2.0, "on battery")},
          {60, battery(80, T::serious), warm(1.5)}}},
        {"turning thermal protection off drops the thermal cap at once", defaults,
         {{0, heat(T::serious), warm(2.5)}, {30, heat(T::serious), warm(2.0)},
          {60, heat(T::serious), warm(1.5)},
          {61, heat(T::serious), none, with([](GuardSettings& s) { s.thermalProtection = false; })},
          {62, heat(T::nominal), none, defaults},
          {63, heat(T::critical), none, with([](GuardSettings& s) { s.thermalProtection = false; })}}},
    };
    for (const auto& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        PowerGuardPolicy::State state;
        for (const auto& step : scenario.steps) {
            SCOPED_TRACE(step.at);
            const auto now = std::chrono::duration_cast<MonotonicTime>(
                std::chrono::duration<double>(1000 + step.at));
            auto outcome = PowerGuardPolicy::evaluate(step.inputs, step.settings.value_or(scenario.settings),
                                                      state, now);
            EXPECT_EQ(outcome.limit, step.expected)
                << static_cast<int>(outcome.limit.kind()) << " " << outcome.limit.capValue() << " "
                << outcome.limit.reason();
            state = outcome.state;
        }
    }
}

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

TEST_F(PowerGuardTest, SettingsAreSavedAndReEvaluated) {
    launch();
    source.set({true, 80, false, ThermalState::nominal});
    ASSERT_EQ(changes, (std::vector{BoostLimit::cap(1.5, "on battery")}));

    GuardSettings changed;
    changed.batteryCap = 2.0;
    guard->setSettings(changed);
    EXPECT_EQ(changes.back(), BoostLimit::cap(2.0, "on battery"));
    EXPECT_EQ(PowerGuard(defaults, source, time).settings().get(), changed);
}

TEST_F(PowerGuardTest, TicksEvery30SecondsWhileHotStopsOnceCoolAndNotOnceGone) {
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

    // Gone while ticking: no tick and no event reaches it.
    heat(ThermalState::critical);
    const auto told = changes.size();
    ASSERT_TRUE(guard->isTicking());
    guard.reset();
    source.notify();
    time.advance(5min);
    EXPECT_EQ(changes.size(), told);
    EXPECT_EQ(source.observers(), 0u);
}

}  // namespace
}  // namespace vesperine
