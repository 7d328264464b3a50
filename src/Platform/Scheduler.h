#pragma once

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace vesperine {

// Monotonic time: spans and points since an arbitrary start. Never jumps with the wall clock,
// so timers and fades measured with it are unaffected by clock changes.
using Duration = std::chrono::nanoseconds;
using MonotonicTime = std::chrono::nanoseconds;

// A span given in seconds as a Duration. Negative spans become zero; NaN gives no value (the
// caller decides what "no delay" means); spans beyond what the type can hold saturate.
std::optional<Duration> durationFromSeconds(double seconds);
inline double toSeconds(Duration d) { return std::chrono::duration<double>(d).count(); }

// Handle of an armed timer. Cancels the timer when cancelled or destroyed, so an owner that
// keeps its timers as members can never be called back after it is gone.
class Timer {
public:
    struct State {
        bool active = true;
        std::function<void()> onCancel;  // set by the scheduler that armed the timer
    };

    Timer() = default;
    explicit Timer(std::shared_ptr<State> state) : state_(std::move(state)) {}
    Timer(Timer&& other) noexcept : state_(std::exchange(other.state_, nullptr)) {}
    Timer& operator=(Timer&& other) noexcept {
        if (this != &other) {
            cancel();
            state_ = std::exchange(other.state_, nullptr);
        }
        return *this;
    }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    ~Timer() { cancel(); }

    void cancel() {
        if (!state_) return;
        auto state = std::exchange(state_, nullptr);
        if (state->active) {
            state->active = false;
            if (state->onCancel) state->onCancel();
        }
    }
    // True until the timer is cancelled or, for a one-shot timer, has fired.
    bool isActive() const { return state_ && state_->active; }

private:
    std::shared_ptr<State> state_;
};

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
    // Runs `callback` on a later turn of the loop (the "main queue").
    virtual void post(std::function<void()> callback) = 0;
};

}  // namespace vesperine
