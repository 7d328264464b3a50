#pragma once

#include <chrono>
#include <optional>

#include "Guards/GuardSettings.h"
#include "Guards/PowerInputs.h"
#include "Platform/Scheduler.h"
#include "State/ModeResolver.h"

// Turns the machine's power inputs and the user's settings into one limit on Bright. Pure:
// every threshold and timing lives here, and time comes in as an argument.
//
// Times are monotonic (the scheduler's clock), not wall-clock dates: the policy measures how
// long the machine has been hot or cool, and a wall clock set back by an hour would otherwise
// hold the thermal steps where they are for that hour.
namespace vesperine::PowerGuardPolicy {

// The policy's memory between evaluations. Starts cool and unlatched with every run.
struct State {
    bool lowBatteryLatched = false;               // the low-battery cut-off is in force
    int thermalStep = 0;                          // 0...4: how far heat has cut the boost; 4 is off
    std::optional<MonotonicTime> lastThermalChange;  // when thermalStep last changed
    std::optional<MonotonicTime> coolSince;       // since when the state is nominal or fair

    bool operator==(const State&) const = default;
};

struct Outcome {
    ModeResolver::BoostLimit limit;
    State state;
};

// The reasons a limit carries; the menu and the settings window show them.
inline constexpr const char* batteryLowReason = "battery low";
inline constexpr const char* lowPowerModeReason = "Low Power Mode";
inline constexpr const char* hotReason = "computer is hot";
inline constexpr const char* onBatteryReason = "on battery";
inline constexpr const char* warmReason = "computer is warm";

// A latched low-battery cut-off ends only this many points above the threshold.
inline constexpr int lowBatteryHysteresis = 5;
// Thermal steps, up or down, come at least this far apart.
inline constexpr Duration thermalStepSpacing = std::chrono::seconds(30);
// The first step back down waits until the machine has been cool this long.
inline constexpr Duration coolingTime = std::chrono::seconds(120);

// The boost cap of a thermal step: none at 0, then 2.5, 2.0 and 1.5; none past 3 (step 4
// turns the boost off before any cap is looked at).
std::optional<double> thermalCap(int step);

// The limit for these inputs and settings at `now`, and the state to keep for next time.
Outcome evaluate(const PowerInputs& inputs, const GuardSettings& settings, State state,
                 MonotonicTime now);

}  // namespace vesperine::PowerGuardPolicy
