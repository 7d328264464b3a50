#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "Guards/ThermalState.h"
#include "Platform/LogOnce.h"
#include "Platform/Scheduler.h"
#include "Support/Alive.h"

namespace vesperine {

// Keeps the machine's thermal state (ThermalZones' reading) up to date and says when it
// changes. The zones are read once at construction and then every `pollInterval`, so
// `state()` never touches a file. 30 s: the power guard spaces its thermal steps that far
// apart, so a finer poll would buy little; each wake-up is one read of every zone's
// temperature and trip points. A crossed trip point is thus heard up to one interval late,
// while the kernel already throttles on it. With no readable zone there is no poll: the
// machine counts as cool.
class ThermalWatch {
public:
    struct Options {
        std::string root = "/sys/class/thermal";
        Duration pollInterval = std::chrono::seconds(30);
    };
    enum class Mode { polling, idle };

    // `onChange` runs on the main loop whenever `state()` changes.
    ThermalWatch(Scheduler& scheduler, Logger& logger, std::function<void()> onChange,
                 Options options);
    ThermalWatch(const ThermalWatch&) = delete;
    ThermalWatch& operator=(const ThermalWatch&) = delete;

    ThermalState state() const { return state_; }
    Mode mode() const { return mode_; }
    // Reads the zones now and tells of a change; what the poll calls.
    void reread();

private:
    LogOnce log_;
    std::function<void()> onChange_;
    Options options_;
    ThermalState state_ = ThermalState::nominal;
    int zonesRead_ = 0;
    Mode mode_ = Mode::idle;
    Timer poll_;
    Alive alive_;
};

}  // namespace vesperine
