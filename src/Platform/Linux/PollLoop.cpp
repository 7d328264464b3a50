#include "Platform/Linux/PollLoop.h"

#include <poll.h>
#include <time.h>

#include <algorithm>
#include <cerrno>

namespace vesperine {

struct PollLoop::TimerEntry {
    Key key;
    Duration interval{0};
    std::function<void()> callback;
    std::shared_ptr<Handle::State> state;
};

struct PollLoop::WatchEntry {
    int fd = -1;
    std::function<void()> callback;
    std::shared_ptr<Handle::State> state;
};

PollLoop::PollLoop() = default;

PollLoop::~PollLoop() {
    *alive_ = false;
    for (auto& [key, entry] : timers_) entry->state->active = false;
    for (auto& [id, entry] : watches_) entry->state->active = false;
}

MonotonicTime PollLoop::monotonicNow() const {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

Timer PollLoop::arm(Duration delay, Duration interval, std::function<void()> callback) {
    auto entry = std::make_shared<TimerEntry>();
    entry->interval = interval;
    entry->callback = std::move(callback);
    entry->state = std::make_shared<Handle::State>();
    const MonotonicTime due = deadlineAfter(monotonicNow(), delay);
    entry->key = Key{due, sequence_++};
    timers_.emplace(entry->key, entry);
    std::weak_ptr<bool> alive = alive_;
    std::weak_ptr<TimerEntry> weak = entry;
    entry->state->onCancel = [this, alive, weak] {
        if (alive.expired()) return;
        if (auto e = weak.lock()) timers_.erase(e->key);
    };
    return Timer(entry->state);
}

Timer PollLoop::oneShot(Duration delay, std::function<void()> callback) {
    return arm(delay, Duration::zero(), std::move(callback));
}

Timer PollLoop::repeating(Duration interval, std::function<void()> callback) {
    Duration every = std::max<Duration>(interval, std::chrono::milliseconds(1));
    return arm(every, every, std::move(callback));
}

void PollLoop::post(std::function<void()> callback) {
    auto entry = std::make_shared<TimerEntry>();
    entry->callback = std::move(callback);
    entry->state = std::make_shared<Handle::State>();
    entry->key = Key{monotonicNow(), sequence_++};
    timers_.emplace(entry->key, entry);
}

IoWatch PollLoop::watchReadable(int fd, std::function<void()> onReadable) {
    auto entry = std::make_shared<WatchEntry>();
    entry->fd = fd;
    entry->callback = std::move(onReadable);
    entry->state = std::make_shared<Handle::State>();
    std::uint64_t id = sequence_++;
    watches_.emplace(id, entry);
    std::weak_ptr<bool> alive = alive_;
    entry->state->onCancel = [this, alive, id] {
        if (!alive.expired()) watches_.erase(id);
    };
    return IoWatch(entry->state);
}

void PollLoop::turn(MonotonicTime deadline) {
    // Due timers first, each at most once per turn so a busy timer cannot starve the fds.
    MonotonicTime now = monotonicNow();
    std::vector<std::shared_ptr<TimerEntry>> due;
    for (auto it = timers_.begin(); it != timers_.end() && it->first.first <= now;) {
        due.push_back(it->second);
        it = timers_.erase(it);
    }
    for (auto& entry : due) {
        if (!entry->state->active) continue;
        if (entry->interval > Duration::zero()) {
            entry->key = Key{std::max(entry->key.first + entry->interval, now), sequence_++};
            timers_.emplace(entry->key, entry);
        } else {
            entry->state->active = false;
        }
        ++timerCallbacks_;
        auto callback = entry->callback;
        callback();
        if (quit_) return;
    }

    MonotonicTime wakeAt = deadline;
    if (!timers_.empty()) wakeAt = std::min(wakeAt, timers_.begin()->first.first);
    now = monotonicNow();
    auto waitMs =
        std::chrono::ceil<std::chrono::milliseconds>(std::max(wakeAt - now, Duration::zero()));
    int timeout = static_cast<int>(std::min<std::int64_t>(waitMs.count(), 60'000));

    std::vector<pollfd> fds;
    std::vector<std::shared_ptr<WatchEntry>> entries;
    for (auto& [id, entry] : watches_) {
        fds.push_back({entry->fd, POLLIN, 0});
        entries.push_back(entry);
    }
    int ready = ::poll(fds.data(), fds.size(), timeout);
    if (ready <= 0) return;  // timeout, or EINTR: the next turn looks again
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].revents == 0 || !entries[i]->state->active) continue;
        auto callback = entries[i]->callback;
        callback();
        if (quit_) return;
    }
}

void PollLoop::run() {
    quit_ = false;
    while (!quit_) turn(monotonicNow() + std::chrono::seconds(60));
}

void PollLoop::runFor(Duration span) {
    quit_ = false;
    MonotonicTime end = monotonicNow() + span;
    while (!quit_ && monotonicNow() < end) turn(end);
}

bool PollLoop::runUntil(const std::function<bool()>& done, Duration timeout) {
    quit_ = false;
    MonotonicTime end = monotonicNow() + timeout;
    while (!done()) {
        if (quit_ || monotonicNow() >= end) return done();
        turn(std::min(end, monotonicNow() + std::chrono::milliseconds(10)));
    }
    return true;
}

}  // namespace vesperine
