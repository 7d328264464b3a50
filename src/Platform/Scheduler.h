#pragma once

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "Support/Handle.h"

namespace vesperine {

// Monotonic time: spans and points since an arbitrary start. Never jumps with the wall clock,
// so timers and fades measured with it are unaffected by clock changes.
using Duration = std::chrono::nanoseconds;
using MonotonicTime = std::chrono::nanoseconds;

// A span given in seconds as a Duration. Negative spans become zero; NaN gives no value (the
// caller decides what "no delay" means); spans beyond what the type can hold saturate.
std::optional<Duration> durationFromSeconds(double seconds);

// When a timer armed at `now` with `delay` is due. The delay is clamped to between zero and a
// century: far enough never to come, near enough that the sum cannot overflow and wrap into
// the past (which would fire the timer at once, again and again).
MonotonicTime deadlineAfter(MonotonicTime now, Duration delay);
inline double toSeconds(Duration d) {
    return std::chrono::duration<double>(d).count();
}

// Handle of an armed timer: cancels it when cancelled or destroyed.
using Timer = Handle;

// The main loop. Everything runs on one thread: callbacks are called from the loop, one at a
// time, never re-entrantly from inside oneShot/repeating/post.
class Scheduler {
public:
    virtual ~Scheduler() = default;

    virtual MonotonicTime monotonicNow() const = 0;

    // Calls `callback` once, `delay` from now (a zero delay: on a later turn of the loop).
    [[nodiscard]] virtual Timer oneShot(Duration delay, std::function<void()> callback) = 0;
    // Calls `callback` every `interval` until the timer is cancelled.
    [[nodiscard]] virtual Timer repeating(Duration interval, std::function<void()> callback) = 0;
    // The same, for work whose moment need not be exact (a poll, the hand-on of a fade's next
    // piece): the loop may run it up to `leeway` early (never more than the delay), on a turn
    // it wakes up for anyway, so that it shares another timer's wake-up instead of costing
    // one of its own. A repeating timer run early keeps its rhythm. Where a loop gathers no
    // work this way (a simulated clock), at its time.
    [[nodiscard]] virtual Timer oneShotWithLeeway(Duration delay, Duration leeway,
                                                  std::function<void()> callback) {
        (void)leeway;
        return oneShot(delay, std::move(callback));
    }
    [[nodiscard]] virtual Timer repeatingWithLeeway(Duration interval, Duration leeway,
                                                    std::function<void()> callback) {
        (void)leeway;
        return repeating(interval, std::move(callback));
    }
    // Runs `callback` on a later turn of the loop (the "main queue").
    virtual void post(std::function<void()> callback) = 0;
    // Runs `callback` once the loop has done the work of this turn, before it next waits: for
    // a turn's last act, such as sending requests that wake another process (which then runs
    // while this one sleeps, not in the middle of its turn, evicting what it still needs).
    // Where a loop has no such moment, on a later turn.
    virtual void beforeWait(std::function<void()> callback) { post(std::move(callback)); }
};

}  // namespace vesperine
