#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "Guards/ThermalState.h"
#include "Platform/IoWatcher.h"
#include "Platform/LogOnce.h"
#include "Platform/Linux/Power/ThermalEvents.h"
#include "Platform/Scheduler.h"
#include "Support/Alive.h"

namespace vesperine {

// Keeps the machine's thermal state (ThermalZones' reading) up to date and says when it
// changes. The zones are read once at construction and then again whenever something may have
// changed, so `state()` never touches a file:
// - where the kernel offers thermal events to us, on each zone event, and never otherwise: no
//   wake-up while no trip point is crossed;
// - elsewhere, every `pollInterval` (30 s: the power guard never moves its thermal steps
//   faster, so a finer poll would buy nothing; one wake-up and one read of every zone's
//   temperature and trip points each time);
// - with no events and no readable zone, never: the machine counts as cool.
class ThermalWatch {
public:
    struct Options {
        std::string root = "/sys/class/thermal";
        bool useEvents = true;  // false: poll even where the kernel has events (tests)
        Duration pollInterval = std::chrono::seconds(30);
    };
    enum class Mode { events, polling, idle };

    // `onChange` runs on the main loop whenever `state()` changes.
    ThermalWatch(IoWatcher& loop, Scheduler& scheduler, Logger& logger,
                 std::function<void()> onChange, Options options);
    ThermalWatch(const ThermalWatch&) = delete;
    ThermalWatch& operator=(const ThermalWatch&) = delete;

    ThermalState state() const { return state_; }
    Mode mode() const { return mode_; }
    // Reads the zones now and tells of a change; what events and the poll call.
    void reread();

private:
    void poll(const std::string& reason);

    Scheduler& scheduler_;
    LogOnce log_;
    std::function<void()> onChange_;
    Options options_;
    ThermalState state_ = ThermalState::nominal;
    int zonesRead_ = 0;
    Mode mode_ = Mode::idle;
    std::unique_ptr<ThermalEvents> events_;
    Timer poll_;
    Alive alive_;
};

}  // namespace vesperine
