#pragma once

#include <signal.h>

#include <functional>

#include "Platform/IoWatcher.h"

namespace vesperine {

// What each signal means to the program, and its delivery on the main loop through a
// signalfd, so the clean termination (every display gets its own table back) runs there and
// never inside a handler.
//
// - Termination: every signal a user can send whose default action ends the process and
//   that can soundly wait for the main loop: SIGTERM (logout), SIGINT, SIGHUP, SIGQUIT,
//   SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGIO (= SIGPOLL), SIGPWR, SIGSTKFLT, SIGXCPU (the
//   soft CPU limit, sent so that a process can clean up before the hard one) and every
//   real-time signal from SIGRTMIN to SIGRTMAX.
// - SIGUSR1: toggles between the schedule and Off, as the Off hot key does.
// - Ignored: SIGPIPE and SIGXFSZ. Both only report a write that failed (a closed pipe on
//   stderr, a file-size limit); the write's own error says so, and a failed write of a log
//   line or a file is never a reason to end with the tint left on.
// - Faults: SIGABRT and SIGTRAP are blocked like the termination signals, so one sent with
//   kill(1) ends cleanly, while abort() unblocks SIGABRT itself and the kernel delivers a
//   breakpoint's SIGTRAP whatever the mask. SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGSYS keep a
//   handler that only tells a sent signal from a real fault: a sent one is passed on as
//   SIGTERM (carrying its own number, which the watcher reports), a real fault gets the
//   previous handler (a sanitizer's) or the default back and happens again. No handler can
//   run the termination safely inside a fault; the next start takes every display over, so
//   a tint left by a crash does not stay. SIGKILL and SIGSTOP cannot be caught.
//
// `prepareProcess()` must run first thing in main, before any thread starts, so every
// thread inherits the blocked mask and the signals wait for a watcher (or for the start-up
// guard) instead of taking their default action.
class SignalWatcher {
public:
    static void prepareProcess();
    // The termination signals above, with SIGABRT and SIGTRAP.
    static sigset_t terminationSignals();
    static constexpr int toggleSignal = SIGUSR1;

    // Calls `onTermination(signo)` or `onToggle()` on the main loop for each signal received.
    SignalWatcher(IoWatcher& loop, std::function<void(int)> onTermination,
                  std::function<void()> onToggle);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

    bool isWatching() const { return fd_ >= 0; }

private:
    void drain();
    int fd_ = -1;
    std::function<void(int)> onTermination_;
    std::function<void()> onToggle_;
    IoWatch watch_;
};

}  // namespace vesperine
