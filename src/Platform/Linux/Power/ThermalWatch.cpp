#include "Platform/Linux/Power/ThermalWatch.h"

#include "Platform/Linux/Power/ThermalZones.h"

namespace vesperine {

ThermalWatch::ThermalWatch(Scheduler& scheduler, Logger& logger, std::function<void()> onChange,
                           Options options)
    : log_(logger, "power"), onChange_(std::move(onChange)), options_(std::move(options)) {
    reread();
    // A machine without a readable zone at start is taken to have none: nothing to poll.
    if (zonesRead_ == 0) return;
    mode_ = Mode::polling;
    poll_ = scheduler.repeating(options_.pollInterval, alive_.guard([this] { reread(); }));
}

void ThermalWatch::reread() {
    const auto reading = ThermalZones::read(options_.root);
    for (const auto& problem : reading.problems) {
        log_.write(LogLevel::error, "Thermal zone " + problem + "; left out");
    }
    zonesRead_ = reading.zonesRead;
    if (zonesRead_ == 0) {
        log_.write(LogLevel::debug, "none",
                   "No thermal zone could be read under " + options_.root +
                       "; the computer counts as cool");
    }
    if (reading.state == state_) return;
    log_.always(LogLevel::info, std::string("Thermal state ") + thermalStateName(reading.state));
    state_ = reading.state;
    if (onChange_) onChange_();
}

}  // namespace vesperine
