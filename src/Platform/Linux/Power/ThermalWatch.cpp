#include "Platform/Linux/Power/ThermalWatch.h"

#include "Platform/Linux/Power/ThermalZones.h"

namespace vesperine {

ThermalWatch::ThermalWatch(IoWatcher& loop, Scheduler& scheduler, Logger& logger,
                           std::function<void()> onChange, Options options)
    : scheduler_(scheduler),
      log_(logger, "power"),
      onChange_(std::move(onChange)),
      options_(std::move(options)) {
    reread();
    if (!options_.useEvents) {
        poll("not asked for");
        return;
    }
    auto opened = ThermalEvents::open(
        loop, alive_.guard([this] { reread(); }),
        alive_.guard([this](const std::string& reason) {
            events_.reset();
            poll(reason);
        }));
    if (!opened) {
        poll(opened.error().description);
        return;
    }
    events_ = std::move(opened).value();
    mode_ = Mode::events;
}

void ThermalWatch::poll(const std::string& reason) {
    if (zonesRead_ == 0) {
        mode_ = Mode::idle;
        return;
    }
    mode_ = Mode::polling;
    log_.write(LogLevel::info, "poll",
               "No thermal events from the kernel (" + reason + "); reading the thermal zones every " +
                   std::to_string(std::chrono::duration_cast<std::chrono::seconds>(options_.pollInterval).count()) +
                   " s");
    poll_ = scheduler_.repeating(options_.pollInterval, alive_.guard([this] { reread(); }));
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
