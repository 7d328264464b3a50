#pragma once

#include <functional>

#include "Support/Handle.h"

namespace vesperine {

// Handle of a watched file descriptor: stops watching when cancelled or destroyed.
using IoWatch = Handle;

// Lets backends hear from file descriptors (an X connection, a timerfd, a signalfd, a D-Bus
// socket) on the main loop, so their events arrive on the one thread like everything else.
class IoWatcher {
public:
    virtual ~IoWatcher() = default;
    // Calls `onReadable` on the main loop whenever `fd` has data (or has hung up). The caller
    // keeps the descriptor open while the watch is active.
    [[nodiscard]] virtual IoWatch watchReadable(int fd, std::function<void()> onReadable) = 0;
};

}  // namespace vesperine
