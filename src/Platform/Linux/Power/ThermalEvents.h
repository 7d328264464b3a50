#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Platform/IoWatcher.h"
#include "Support/Alive.h"
#include "Support/Result.h"

namespace vesperine {

// The kernel's thermal events (generic netlink family "thermal", multicast group "event"),
// heard on the main loop: a thermal zone crossing one of its trip points up or down, zones
// appearing, going, switched on or off, and trip points added, removed or moved. Any of these
// may change how hot the machine counts; cooling-device and governor events are dropped
// (they arrive often while the kernel throttles and say nothing our reading does not).
//
// The events cost nothing while no trip point is crossed. Kernels before 5.10 have no such
// family, and some kernels keep the group to privileged users: `open` then fails with a
// readable reason and the caller polls instead.
class ThermalEvents {
public:
    // `onEvent` runs on the main loop after a batch of datagrams held at least one zone
    // event (or after the kernel dropped some because we were slow). `onFailure` runs once if
    // the socket fails later; nothing is heard after that. Either may destroy this object.
    static Result<std::unique_ptr<ThermalEvents>> open(
        IoWatcher& loop, std::function<void()> onEvent,
        std::function<void(const std::string& reason)> onFailure);
    ~ThermalEvents();
    ThermalEvents(const ThermalEvents&) = delete;
    ThermalEvents& operator=(const ThermalEvents&) = delete;

    // Whether a datagram holds a zone event of the netlink family `family`.
    static bool holdsZoneEvent(const void* data, std::size_t size, std::uint16_t family);

private:
    ThermalEvents(int fd, std::uint16_t family) : fd_(fd), family_(family) {}
    void drain();

    int fd_;
    std::uint16_t family_;
    std::function<void()> onEvent_;
    std::function<void(const std::string&)> onFailure_;
    IoWatch watch_;
    Alive alive_;
};

}  // namespace vesperine
