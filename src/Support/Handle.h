#pragma once

#include <functional>
#include <memory>
#include <utility>

namespace vesperine {

// An RAII handle on something that keeps calling back until cancelled: an armed timer, a
// watched file descriptor. Cancels when cancelled or destroyed, so an owner that keeps its
// handles as members can never be called back after it is gone.
class Handle {
public:
    struct State {
        bool active = true;
        std::function<void()> onCancel;  // set by whoever armed it
    };

    Handle() = default;
    explicit Handle(std::shared_ptr<State> state) : state_(std::move(state)) {}
    // An active handle that calls `onCancel` once when cancelled or destroyed.
    static Handle make(std::function<void()> onCancel) {
        return Handle(std::make_shared<State>(State{true, std::move(onCancel)}));
    }
    Handle(Handle&& other) noexcept : state_(std::exchange(other.state_, nullptr)) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            cancel();
            state_ = std::exchange(other.state_, nullptr);
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { cancel(); }

    void cancel() {
        if (!state_) return;
        auto state = std::exchange(state_, nullptr);
        if (state->active) {
            state->active = false;
            if (state->onCancel) state->onCancel();
        }
    }
    // True until cancelled or, for a one-shot timer, until it has fired.
    bool isActive() const { return state_ && state_->active; }

private:
    std::shared_ptr<State> state_;
};

}  // namespace vesperine
