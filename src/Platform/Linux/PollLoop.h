#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "Platform/IoWatcher.h"
#include "Platform/Scheduler.h"

namespace vesperine {

// A real main loop without a toolkit: poll(2) on the watched descriptors, timers on
// CLOCK_MONOTONIC. Used by the headless program and by tests that talk to a real X server.
// Single-threaded: every call must come from the thread that runs it.
class PollLoop final : public Scheduler, public IoWatcher {
public:
    PollLoop();
    ~PollLoop() override;

    MonotonicTime monotonicNow() const override;
    Timer oneShot(Duration delay, std::function<void()> callback) override;
    Timer repeating(Duration interval, std::function<void()> callback) override;
    void post(std::function<void()> callback) override;
    IoWatch watchReadable(int fd, std::function<void()> onReadable) override;

    // Runs until quit() is called.
    void run();
    // Runs for at most `span`; returns early when quit() is called.
    void runFor(Duration span);
    // Runs until `done()` is true (checked after every callback) or `timeout` passes;
    // returns whether `done()` became true.
    bool runUntil(const std::function<bool()>& done, Duration timeout);
    void quit() { quit_ = true; }

    // Timer callbacks run so far (a measure of how often the program wakes up).
    std::uint64_t timerCallbacksRun() const { return timerCallbacks_; }

private:
    struct TimerEntry;
    struct WatchEntry;
    using Key = std::pair<MonotonicTime, std::uint64_t>;

    Timer arm(Duration delay, Duration interval, std::function<void()> callback);
    // One turn: runs due timers, then waits for descriptors up to `deadline`.
    void turn(MonotonicTime deadline);

    std::map<Key, std::shared_ptr<TimerEntry>> timers_;
    std::map<std::uint64_t, std::shared_ptr<WatchEntry>> watches_;
    std::uint64_t sequence_ = 0;
    std::uint64_t timerCallbacks_ = 0;
    bool quit_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vesperine
