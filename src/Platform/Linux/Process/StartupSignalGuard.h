#pragma once

#include <thread>

namespace vesperine {

// Until the program first touches a display, a termination signal (SignalWatcher's list)
// ends the process at once with status 0: nothing has been shown, so there is nothing to
// give back. Start-up makes calls that return only when someone else answers (the X
// server's handshake and round trips, the running instance, a stored file), and the
// termination signals are blocked for a main loop that does not run yet; without the guard a
// server that accepts the connection but never answers (a stopped one) would keep them
// waiting for good. A thread of its own waits for the signals and does nothing else.
//
// `release()` must run before the first write to a display; it stops the thread and waits
// for it, so a signal is either taken by the guard before anything is written or left
// pending for the SignalWatcher on the main loop. Requires SignalWatcher::prepareProcess().
class StartupSignalGuard {
public:
    StartupSignalGuard();
    ~StartupSignalGuard() { release(); }
    StartupSignalGuard(const StartupSignalGuard&) = delete;
    StartupSignalGuard& operator=(const StartupSignalGuard&) = delete;

    // Safe to call again.
    void release();
    bool isGuarding() const { return thread_.joinable(); }

private:
    void watch() const;
    int signals_ = -1;
    int stop_ = -1;
    std::thread thread_;
};

}  // namespace vesperine
