#include "Guards/PowerGuard.h"

#include "Persistence/Stored.h"

namespace vesperine {

PowerGuard::PowerGuard(DefaultsStore& defaults, PowerSource& source, Scheduler& scheduler)
    : defaults_(defaults),
      source_(source),
      scheduler_(scheduler),
      settings_(Stored::load(defaultsKey, GuardSettings{}, defaults)) {}

void PowerGuard::setSettings(GuardSettings settings) {
    settings_.set(settings);
    Stored::save(settings, defaultsKey, defaults_);
    evaluate();
}

void PowerGuard::reloadStored() {
    if (settings_.set(Stored::load(defaultsKey, GuardSettings{}, defaults_)) && started_)
        evaluate();
}

void PowerGuard::start() {
    if (started_) return;
    started_ = true;
    observer_ = source_.observe(alive_.guard([this] { evaluate(); }));
    evaluate();
}

void PowerGuard::evaluate() {
    inputs_.set(readInputs());
    auto outcome = PowerGuardPolicy::evaluate(inputs_, settings_, state_, scheduler_.monotonicNow());
    state_ = outcome.state;
    scheduleTick();
    if (limit_.set(outcome.limit) && onChange) onChange(limit_.get());
}

void PowerGuard::scheduleTick() {
    tickTimer_.cancel();
    const bool hot = inputs_->thermal == ThermalState::serious ||
                     inputs_->thermal == ThermalState::critical;
    if (state_.thermalStep < 1 && !hot) return;
    tickTimer_ = scheduler_.oneShot(tickInterval, alive_.guard([this] { evaluate(); }));
}

}  // namespace vesperine
