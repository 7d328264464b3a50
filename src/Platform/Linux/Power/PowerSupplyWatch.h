#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "Platform/IoWatcher.h"
#include "Platform/LogOnce.h"
#include "Platform/Linux/Power/PowerSupplyEvents.h"
#include "Platform/Linux/Power/PowerSupplyFiles.h"
#include "Platform/Scheduler.h"
#include "Support/Alive.h"

namespace vesperine {

// Keeps the power supply as /sys/class/power_supply shows it (PowerSupplyFiles' reading) up
// to date and says when it changes, for machines without UPower. The files are read once at
// construction and again whenever something may have changed, so `reading()` never touches
// a file:
// - on each power-supply event of the kernel (charger in or out, discharging or not);
// - every `pollInterval` (60 s) while on battery, since drivers announce the charge only now
//   and then, and the low-battery cut-off must see it fall and, after charging, rise;
// - without events (the socket refused), every `pollInterval` whenever there is a battery,
//   or a charger pulled out would never be noticed;
// - never while on mains with events, and never without a battery: no wake-up for nothing.
class PowerSupplyWatch {
public:
    struct Options {
        std::string root = "/sys/class/power_supply";
        bool useEvents = true;  // false: as where the kernel's events cannot be had (tests)
        Duration pollInterval = std::chrono::seconds(60);
    };
    enum class Mode { events, polling };

    // `onChange` runs on the main loop whenever `reading()` changes (its problems aside).
    PowerSupplyWatch(IoWatcher& loop, Scheduler& scheduler, Logger& logger,
                     std::function<void()> onChange, Options options);
    PowerSupplyWatch(const PowerSupplyWatch&) = delete;
    PowerSupplyWatch& operator=(const PowerSupplyWatch&) = delete;

    const PowerSupplyFiles::Reading& reading() const { return reading_; }
    Mode mode() const { return mode_; }
    // Whether the files are read every `pollInterval` now.
    bool polling() const { return poll_.isActive(); }
    // Reads the files now, re-arms the poll and tells of a change; what events and the poll
    // call.
    void reread();

private:
    void pollFromNowOn(const std::string& reason);
    void armPoll();

    Scheduler& scheduler_;
    LogOnce log_;
    std::function<void()> onChange_;
    Options options_;
    PowerSupplyFiles::Reading reading_;
    Mode mode_ = Mode::polling;
    std::unique_ptr<PowerSupplyEvents> events_;
    Timer poll_;
    Alive alive_;
};

}  // namespace vesperine
