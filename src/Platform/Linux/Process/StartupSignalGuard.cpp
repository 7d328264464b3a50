#include "Platform/Linux/Process/StartupSignalGuard.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "Platform/Linux/Process/SignalWatcher.h"

namespace vesperine {

StartupSignalGuard::StartupSignalGuard() {
    const sigset_t set = SignalWatcher::terminationSignals();
    signals_ = ::signalfd(-1, &set, SFD_CLOEXEC);
    stop_ = ::eventfd(0, EFD_CLOEXEC);
    // The thread inherits the blocked mask, so the signals stay pending for its signalfd.
    if (signals_ >= 0 && stop_ >= 0) thread_ = std::thread([this] { watch(); });
}

void StartupSignalGuard::release() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        while (::write(stop_, &one, sizeof one) < 0 && errno == EINTR) {
        }
        thread_.join();
    }
    for (int* fd : {&signals_, &stop_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

void StartupSignalGuard::watch() const {
    pollfd fds[] = {{stop_, POLLIN, 0}, {signals_, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        // Released: a signal that came at the same time is left to the main loop.
        if (fds[0].revents != 0) return;
        signalfd_siginfo info{};
        if (::read(signals_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            ::_exit(0);
        }
    }
}

}  // namespace vesperine
