#include "Platform/Linux/LinuxPowerSource.h"

#include <vector>

#include "Platform/Linux/PowerSupplyFiles.h"

namespace vesperine {

LinuxPowerSource::LinuxPowerSource(BusConnection* systemBus, IoWatcher& loop,
                                   Scheduler& scheduler, Logger& logger, Options options)
    : options_(std::move(options)), log_(logger, "power") {
    auto tell = alive_.guard([this] { changed(); });
    if (systemBus) {
        upower_ = std::make_unique<UPowerReader>(*systemBus, logger, tell, options_.busTimeout);
        profiles_ = std::make_unique<PowerProfilesReader>(*systemBus, logger, tell, options_.busTimeout);
    } else {
        log_.write(LogLevel::debug, "No system bus: the battery is read from " +
                                       options_.powerSupplyRoot + " and Low Power Mode counts as off");
    }
    thermal_ = std::make_unique<ThermalWatch>(loop, scheduler, logger, tell, options_.thermal);
}

PowerInputs LinuxPowerSource::current() {
    PowerInputs inputs;
    if (upower_ && upower_->reading()) {
        inputs.onBattery = upower_->reading()->onBattery;
        inputs.batteryPercent = upower_->reading()->percent;
    } else {
        auto files = PowerSupplyFiles::read(options_.powerSupplyRoot);
        for (const auto& problem : files.problems) {
            log_.write(LogLevel::error, "Power supply " + problem + "; left out");
        }
        inputs.onBattery = files.onBattery;
        inputs.batteryPercent = files.percent;
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
