#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <utility>

#include "Platform/Clock.h"
#include "Platform/Scheduler.h"

namespace vesperine {

// A main loop and a wall clock that move only when told to. Tests advance it by exact spans
// and every timer due within the span fires in order of its due time (ties: the order in
// which they were armed), with the clocks set to that due time while it runs. The wall clock
// moves with the monotonic one, and can also be made to jump on its own.
class VirtualTime final : public Scheduler, public Clock {
public:
    explicit VirtualTime(Instant wallStart = Instant::fromUnix(1'780'000'000.0));
    ~VirtualTime() override;

    // Scheduler
    MonotonicTime monotonicNow() const override { return now_; }
    Timer oneShot(Duration delay, std::function<void()> callback) override;
    Timer repeating(Duration interval, std::function<void()> callback) override;
    void post(std::function<void()> callback) override;

    // Clock
    Instant now() const override { return wallAtZero_ + toSeconds(now_); }

    // Control side.
    void advance(Duration span);
    void advanceSeconds(double seconds);
    // Runs whatever is due now (posted calls, zero delays) without moving time.
    void runDue() { advance(Duration::zero()); }
    // Runs due timers until none is left within `limit`; returns false if timers kept
    // arming new ones beyond `maxCallbacks` (a loop that would spin).
    bool advanceUntilIdle(Duration limit, std::uint64_t maxCallbacks = 1'000'000);
    // Moves the wall clock only (a clock change by the user or by time synchronisation).
    void jumpWallClock(double seconds) { wallAtZero_ = wallAtZero_ + seconds; }
    void setWallClock(Instant instant) { wallAtZero_ = instant - toSeconds(now_); }

    std::size_t armedTimers() const { return queue_.size(); }
    std::uint64_t callbacksRun() const { return callbacksRun_; }
    // Due time of the earliest armed timer, if any.
    std::optional<MonotonicTime> nextDue() const;

private:
    struct Entry;
    using Key = std::pair<MonotonicTime, std::uint64_t>;

    Timer arm(Duration delay, Duration interval, std::function<void()> callback);
    void insert(const std::shared_ptr<Entry>& entry, MonotonicTime due);
    bool runNext(MonotonicTime limit);

    MonotonicTime now_{0};
    Instant wallAtZero_;
    std::uint64_t sequence_ = 0;
    std::uint64_t callbacksRun_ = 0;
    std::map<Key, std::shared_ptr<Entry>> queue_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vesperine
