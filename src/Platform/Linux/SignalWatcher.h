#pragma once

#include <functional>
#include <initializer_list>

#include "Platform/IoWatcher.h"

namespace vesperine {

// Delivers termination signals (SIGTERM from logout, SIGINT, SIGHUP) on the main loop
// through a signalfd, so the normal termination runs there and not inside a handler.
// `blockTerminationSignals()` must run first thing in main, before any thread starts, so
// every thread inherits the blocked mask and the signals wait for the signalfd.
class SignalWatcher {
public:
    static void blockTerminationSignals();

    // Calls `onSignal(signo)` on the main loop for each signal received.
    SignalWatcher(IoWatcher& loop, std::function<void(int)> onSignal);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

    bool isWatching() const { return fd_ >= 0; }

private:
    void drain();
    int fd_ = -1;
    std::function<void(int)> onSignal_;
    IoWatch watch_;
};

}  // namespace vesperine
