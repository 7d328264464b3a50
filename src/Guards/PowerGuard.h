#pragma once

#include <chrono>
#include <functional>

#include "Guards/GuardSettings.h"
#include "Guards/PowerGuardPolicy.h"
#include "Guards/PowerInputs.h"
#include "Platform/DefaultsStore.h"
#include "Platform/PowerSource.h"
#include "Platform/Scheduler.h"
#include "State/ModeResolver.h"
#include "Support/Alive.h"
#include "Support/Observable.h"

namespace vesperine {

// Limits Bright on battery, on a low battery, in Low Power Mode and when the machine runs
// hot. It reads the power source on every change it hears of, runs PowerGuardPolicy, and
// publishes the resulting limit. While the machine is hot, or still stepping back down after
// heat, it re-evaluates every 30 seconds on its own; otherwise it arms no timer at all.
// Main loop only. The defaults store, the power source and the scheduler are borrowed and
// must outlive the guard.
class PowerGuard {
public:
    // Where the settings are kept in the defaults store.
    static constexpr const char* defaultsKey = "guardSettings";
    static constexpr Duration tickInterval = std::chrono::seconds(30);

    // Loads the settings (the defaults when absent or undecodable). Reads no input and does
    // not evaluate.
    PowerGuard(DefaultsStore& defaults, PowerSource& source, Scheduler& scheduler);
    PowerGuard(const PowerGuard&) = delete;
    PowerGuard& operator=(const PowerGuard&) = delete;

    const Observable<ModeResolver::BoostLimit>& limit() const { return limit_; }
    const Observable<PowerInputs>& inputs() const { return inputs_; }
    const Observable<GuardSettings>& settings() const { return settings_; }

    // Stores and saves the settings, then evaluates; also when they are unchanged.
    void setSettings(GuardSettings settings);
    // Takes in the stored settings again (a hand edit of the defaults), without writing them.
    void reloadStored();

    // Called with each new limit (never with an equal one). Set by the owner before start().
    std::function<void(const ModeResolver::BoostLimit&)> onChange;

    // Listens to the power source, then evaluates once. Once only; later calls do nothing.
    void start();
    // Reads the inputs, runs the policy, re-arms the tick, and publishes a changed limit.
    void evaluate();
    // The inputs as the power source has them now.
    PowerInputs readInputs() { return source_.current(); }

    const PowerGuardPolicy::State& state() const { return state_; }
    bool isTicking() const { return tickTimer_.isActive(); }

private:
    void scheduleTick();

    DefaultsStore& defaults_;
    PowerSource& source_;
    Scheduler& scheduler_;
    Observable<ModeResolver::BoostLimit> limit_;
    Observable<PowerInputs> inputs_;
    Observable<GuardSettings> settings_;
    PowerGuardPolicy::State state_;
    Handle observer_;
    Timer tickTimer_;
    bool started_ = false;
    Alive alive_;
};

}  // namespace vesperine
