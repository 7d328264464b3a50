#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "Platform/IoWatcher.h"
#include "Support/Alive.h"
#include "Support/Result.h"

namespace vesperine {

// The kernel's device events (uevents) of the power supplies, heard on the main loop: a
// charger plugged in or out, a battery starting or stopping to discharge, a battery added or
// removed, and whatever charge changes its driver chooses to announce. Read straight from the
// kernel's uevent netlink socket, which any user may read and which needs no udev daemon
// (containers and minimal systems often run none); events of other subsystems are dropped.
//
// Drivers announce status changes, but many announce the charge only now and then (at
// thresholds of their own, or not at all), so a reader that needs the charge also reads it
// every so often while it discharges.
class PowerSupplyEvents {
public:
    // `onEvent` runs on the main loop after a batch of datagrams held at least one power-
    // supply event (or after the kernel dropped some because we were slow). `onFailure` runs
    // once if the socket fails later; nothing is heard after that. Either may destroy this
    // object.
    static Result<std::unique_ptr<PowerSupplyEvents>> open(
        IoWatcher& loop, std::function<void()> onEvent,
        std::function<void(const std::string& reason)> onFailure);
    ~PowerSupplyEvents();
    PowerSupplyEvents(const PowerSupplyEvents&) = delete;
    PowerSupplyEvents& operator=(const PowerSupplyEvents&) = delete;

    // Whether one datagram of the kernel's uevent socket is an event of the power_supply
    // subsystem: "ACTION@DEVPATH" and then NUL-separated "KEY=value" fields, one of them
    // "SUBSYSTEM=power_supply". Anything else (udev's own re-broadcasts, a cut datagram without
    // that field) is not.
    static bool holdsPowerSupplyEvent(const char* data, std::size_t size);

private:
    explicit PowerSupplyEvents(int fd) : fd_(fd) {}
    void drain();

    int fd_;
    std::function<void()> onEvent_;
    std::function<void(const std::string&)> onFailure_;
    IoWatch watch_;
    Alive alive_;
};

}  // namespace vesperine
