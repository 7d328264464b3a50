#include "Platform/Simulated/VirtualTime.h"

#include <algorithm>

namespace vesperine {

struct VirtualTime::Entry {
    Key key;
    Duration interval{0};  // zero: one-shot
    std::function<void()> callback;
    std::shared_ptr<Handle::State> state;
};

VirtualTime::VirtualTime(Instant wallStart) : wallAtZero_(wallStart) {}

VirtualTime::~VirtualTime() {
    *alive_ = false;
    for (auto& [key, entry] : queue_) entry->state->active = false;
}

Timer VirtualTime::oneShot(Duration delay, std::function<void()> callback) {
    return arm(std::max(delay, Duration::zero()), Duration::zero(), std::move(callback));
}

Timer VirtualTime::repeating(Duration interval, std::function<void()> callback) {
    // A repeating timer with no interval would fire forever within one instant.
    Duration every = std::max<Duration>(interval, std::chrono::milliseconds(1));
    return arm(every, every, std::move(callback));
}

void VirtualTime::post(std::function<void()> callback) {
    // Posted work has no handle and cannot be cancelled.
    auto entry = std::make_shared<Entry>();
    entry->callback = std::move(callback);
    entry->state = std::make_shared<Handle::State>();
    insert(entry, now_);
}

Timer VirtualTime::arm(Duration delay, Duration interval, std::function<void()> callback) {
    auto entry = std::make_shared<Entry>();
    entry->interval = interval;
    entry->callback = std::move(callback);
    entry->state = std::make_shared<Handle::State>();
    std::weak_ptr<bool> alive = alive_;
    std::weak_ptr<Entry> weakEntry = entry;
    entry->state->onCancel = [this, alive, weakEntry] {
        if (alive.expired()) return;
        if (auto e = weakEntry.lock()) queue_.erase(e->key);
    };
    insert(entry, deadlineAfter(now_, delay));
    return Timer(entry->state);
}

void VirtualTime::insert(const std::shared_ptr<Entry>& entry, MonotonicTime due) {
    entry->key = Key{due, sequence_++};
    queue_.emplace(entry->key, entry);
}

std::optional<MonotonicTime> VirtualTime::nextDue() const {
    if (queue_.empty()) return std::nullopt;
    return queue_.begin()->first.first;
}

bool VirtualTime::runNext(MonotonicTime limit) {
    if (queue_.empty()) return false;
    auto it = queue_.begin();
    if (it->first.first > limit) return false;
    std::shared_ptr<Entry> entry = it->second;
    queue_.erase(it);
    now_ = std::max(now_, entry->key.first);
    if (entry->interval > Duration::zero()) {
        insert(entry, deadlineAfter(entry->key.first, entry->interval));
    } else {
        entry->state->active = false;
    }
    ++callbacksRun_;
    auto callback = entry->callback;  // the callback may cancel its own timer
    callback();
    return true;
}

void VirtualTime::advance(Duration span) {
    MonotonicTime target = now_ + std::max(span, Duration::zero());
    while (runNext(target)) {
    }
    now_ = target;
}

void VirtualTime::advanceSeconds(double seconds) {
    advance(durationFromSeconds(seconds).value_or(Duration::zero()));
}

bool VirtualTime::advanceUntilIdle(Duration limit, std::uint64_t maxCallbacks) {
    MonotonicTime target = now_ + limit;
    std::uint64_t ran = 0;
    while (runNext(target)) {
        if (++ran > maxCallbacks) return false;
    }
    return true;
}

}  // namespace vesperine
