#include "Platform/Linux/Power/LinuxPowerSource.h"

#include <vector>

namespace vesperine {

LinuxPowerSource::LinuxPowerSource(BusConnection* systemBus, IoWatcher& loop, Scheduler& scheduler,
                                   Logger& logger, Options options)
    : options_(std::move(options)),
      log_(logger, "power"),
      loop_(loop),
      scheduler_(scheduler),
      logger_(logger) {
    auto tell = alive_.guard([this] { changed(); });
    if (systemBus) {
        // UPower answering or going away decides whether the files are followed.
        auto heard = alive_.guard([this] {
            followSupplies();
            changed();
        });
        upower_ = std::make_unique<UPowerReader>(*systemBus, scheduler, logger, heard,
                                                 options_.busTimeout);
        profiles_ = std::make_unique<PowerProfilesReader>(*systemBus, scheduler, logger, tell,
                                                          options_.busTimeout);
    } else {
        log_.write(LogLevel::debug, "No system bus: the battery is read from " +
                                        options_.powerSupply.root +
                                        " and Low Power Mode counts as off");
    }
    followSupplies();
    thermal_ = std::make_unique<ThermalWatch>(scheduler, logger, tell, options_.thermal);
}

void LinuxPowerSource::followSupplies() {
    // Only one of the two is followed at a time: while UPower answers, the files would only
    // cost wake-ups.
    if (upower_ && upower_->reading()) {
        supplies_.reset();
    } else if (!supplies_) {
        supplies_ = std::make_unique<PowerSupplyWatch>(
            loop_, scheduler_, logger_, alive_.guard([this] { changed(); }), options_.powerSupply);
    }
}

PowerInputs LinuxPowerSource::current() {
    PowerInputs inputs;
    if (upower_ && upower_->reading()) {
        inputs.onBattery = upower_->reading()->onBattery;
        inputs.batteryPercent = upower_->reading()->percent;
    } else if (supplies_) {
        inputs.onBattery = supplies_->reading().onBattery;
        inputs.batteryPercent = supplies_->reading().percent;
    }
    inputs.lowPowerMode = profiles_ && profiles_->lowPowerMode();
    inputs.thermal = thermal_->state();
    return inputs;
}

Handle LinuxPowerSource::observe(std::function<void()> onChange) {
    const auto id = nextObserver_++;
    observers_.emplace(id, std::move(onChange));
    return Handle::make(alive_.guard([this, id] { observers_.erase(id); }));
}

void LinuxPowerSource::changed() {
    std::vector<std::function<void()>> callbacks;
    for (const auto& [id, callback] : observers_) callbacks.push_back(callback);
    for (auto& callback : callbacks) callback();
}

}  // namespace vesperine
