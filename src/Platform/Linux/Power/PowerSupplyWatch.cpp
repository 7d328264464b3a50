#include "Platform/Linux/Power/PowerSupplyWatch.h"

#include <utility>

namespace vesperine {

PowerSupplyWatch::PowerSupplyWatch(IoWatcher& loop, Scheduler& scheduler, Logger& logger,
                                   std::function<void()> onChange, Options options)
    : scheduler_(scheduler),
      log_(logger, "power"),
      onChange_(std::move(onChange)),
      options_(std::move(options)) {
    if (options_.useEvents) {
        auto opened = PowerSupplyEvents::open(loop, alive_.guard([this] { reread(); }),
                                              alive_.guard([this](const std::string& reason) {
                                                  events_.reset();
                                                  pollFromNowOn(reason);
                                              }));
        if (opened) {
            events_ = std::move(opened).value();
            mode_ = Mode::events;
        } else {
            pollFromNowOn(opened.error().description);
        }
    }
    // The first reading is the one the owner starts from: nothing to tell it yet.
    auto tell = std::exchange(onChange_, {});
    reread();
    onChange_ = std::move(tell);
}

void PowerSupplyWatch::reread() {
    auto reading = PowerSupplyFiles::read(options_.root);
    for (const auto& problem : reading.problems) {
        log_.write(LogLevel::error, "Power supply " + problem + "; left out");
    }
    const bool changed = reading.onBattery != reading_.onBattery ||
                         reading.percent != reading_.percent || reading.battery != reading_.battery;
    if (reading.battery && reading.onBattery != reading_.onBattery) {
        log_.always(LogLevel::info, reading.onBattery ? "On battery" : "On mains power");
    }
    reading_ = std::move(reading);
    armPoll();
    if (changed && onChange_) onChange_();
}

void PowerSupplyWatch::pollFromNowOn(const std::string& reason) {
    mode_ = Mode::polling;
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(options_.pollInterval).count();
    log_.write(LogLevel::info, "poll",
               reason + "; reading " + options_.root + " every " + std::to_string(seconds) +
                   " s while there is a battery");
    armPoll();
}

void PowerSupplyWatch::armPoll() {
    const bool wanted = reading_.battery && (reading_.onBattery || mode_ == Mode::polling);
    if (!wanted) {
        poll_.cancel();
        return;
    }
    if (poll_.isActive()) return;
    poll_ = scheduler_.repeating(options_.pollInterval, alive_.guard([this] { reread(); }));
}

}  // namespace vesperine
