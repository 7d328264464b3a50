#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace vesperine {

// Unsubscribes when destroyed. Safe to keep after the Observable itself is gone.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    Subscription(Subscription&& other) noexcept : cancel_(std::exchange(other.cancel_, {})) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            reset();
            cancel_ = std::exchange(other.cancel_, {});
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { reset(); }

    void reset() {
        if (cancel_) std::exchange(cancel_, {})();
    }

private:
    std::function<void()> cancel_;
};

// A value that tells its observers when it changes. Assigning a value equal to the current
// one (by T's ==) is silent, so observers never redraw for nothing.
template <class T>
class Observable {
public:
    using Observer = std::function<void(const T&)>;

    Observable() = default;
    explicit Observable(T initial) : value_(std::move(initial)) {}
    Observable(const Observable&) = delete;
    Observable& operator=(const Observable&) = delete;

    const T& get() const { return value_; }
    operator const T&() const { return value_; }
    const T* operator->() const { return &value_; }

    // Returns true when the value changed (and observers were told).
    bool set(T newValue) {
        if (newValue == value_) return false;
        value_ = std::move(newValue);
        notify();
        return true;
    }

    // Watching does not change the value, so owners can hand out const references to their
    // observable fields and still let others subscribe.
    [[nodiscard]] Subscription observe(Observer observer) const {
        std::size_t id = observers_->nextId++;
        observers_->entries.push_back({id, std::make_shared<Observer>(std::move(observer))});
        std::weak_ptr<Registry> weak = observers_;
        return Subscription([weak, id] {
            if (auto registry = weak.lock()) {
                std::erase_if(registry->entries, [id](const Entry& e) { return e.id == id; });
            }
        });
    }

private:
    struct Entry {
        std::size_t id;
        std::shared_ptr<Observer> observer;
    };
    struct Registry {
        std::size_t nextId = 0;
        std::vector<Entry> entries;
    };

    void notify() {
        // A copy: an observer may subscribe or unsubscribe while being told.
        auto snapshot = observers_->entries;
        for (const auto& entry : snapshot) (*entry.observer)(value_);
    }

    T value_{};
    std::shared_ptr<Registry> observers_ = std::make_shared<Registry>();
};

}  // namespace vesperine
