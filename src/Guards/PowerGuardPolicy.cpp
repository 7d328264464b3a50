#include "Guards/PowerGuardPolicy.h"

#include <cstdint>

namespace vesperine::PowerGuardPolicy {

using ModeResolver::BoostLimit;

std::optional<double> thermalCap(int step) {
    switch (step) {
        case 1: return 2.5;
        case 2: return 2.0;
        case 3: return 1.5;
        default: return std::nullopt;
    }
}

namespace {

void updateLatch(const PowerInputs& inputs, const GuardSettings& settings, State& state) {
    if (!inputs.onBattery) {
        state.lowBatteryLatched = false;
        return;
    }
    if (!inputs.batteryPercent) return;  // no reading: keep what we had
    // In 64 bits: a stored threshold near INT_MAX must not overflow when the margin is added.
    const std::int64_t percent = *inputs.batteryPercent;
    const std::int64_t threshold = settings.lowBatteryPercent;
    if (percent < threshold) {
        state.lowBatteryLatched = true;
    } else if (percent >= threshold + lowBatteryHysteresis) {
        state.lowBatteryLatched = false;
    }
}

void updateThermalStep(const PowerInputs& inputs, const GuardSettings& settings, State& state,
                       MonotonicTime now) {
    if (!settings.thermalProtection) {
        state.thermalStep = 0;
        state.coolSince.reset();
        return;
    }
    const bool recent =
        state.lastThermalChange && now - *state.lastThermalChange < thermalStepSpacing;
    switch (inputs.thermal) {
        case ThermalState::serious:
            state.coolSince.reset();
            if (state.thermalStep < 3 && !recent) {
                ++state.thermalStep;
                state.lastThermalChange = now;
            }
            break;
        case ThermalState::critical:
            if (state.thermalStep != 4) state.lastThermalChange = now;
            state.thermalStep = 4;
            state.coolSince.reset();
            break;
        case ThermalState::nominal:
        case ThermalState::fair:
            if (!state.coolSince) state.coolSince = now;
            // coolSince stays set while stepping down, so later steps follow the spacing only.
            if (state.thermalStep >= 1 && now - *state.coolSince >= coolingTime && !recent) {
                --state.thermalStep;
                state.lastThermalChange = now;
            }
            break;
    }
}

BoostLimit decide(const PowerInputs& inputs, const GuardSettings& settings, const State& state) {
    if (state.lowBatteryLatched) return BoostLimit::disabled(batteryLowReason);
    if (settings.offInLowPowerMode && inputs.lowPowerMode) {
        return BoostLimit::disabled(lowPowerModeReason);
    }
    if (state.thermalStep == 4) return BoostLimit::disabled(hotReason);
    std::optional<BoostLimit> chosen;
    if (settings.capOnBattery && inputs.onBattery) {
        chosen = BoostLimit::cap(settings.batteryCap, onBatteryReason);
    }
    // Strictly smaller only: on equal caps the battery's reason stays.
    if (auto cap = thermalCap(state.thermalStep); cap && (!chosen || *cap < chosen->capValue())) {
        chosen = BoostLimit::cap(*cap, warmReason);
    }
    return chosen.value_or(BoostLimit::none());
}

}  // namespace

Outcome evaluate(const PowerInputs& inputs, const GuardSettings& settings, State state,
                 MonotonicTime now) {
    updateLatch(inputs, settings, state);
    updateThermalStep(inputs, settings, state, now);
    return {decide(inputs, settings, state), state};
}

}  // namespace vesperine::PowerGuardPolicy
