#include "Platform/Qt/QtMainLoop.h"

#include <QSocketNotifier>
#include <QTimerEvent>
#include <algorithm>
#include <ctime>

namespace vesperine {

QtMainLoop::QtMainLoop(std::int64_t pieceMilliseconds, QObject* parent)
    : QObject(parent),
      pieceMilliseconds_(std::clamp<std::int64_t>(pieceMilliseconds, 1, maxTimerMilliseconds)) {}

QtMainLoop::~QtMainLoop() {
    *alive_ = false;
    for (auto& [id, pending] : pending_) pending.state->active = false;
}

MonotonicTime QtMainLoop::monotonicNow() const {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

void QtMainLoop::armPiece(std::uint64_t id, Pending& pending) {
    const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(
        std::max(pending.due - monotonicNow(), Duration::zero()));
    const auto piece = std::min<std::int64_t>(remaining.count(), pieceMilliseconds_);
    if (pending.qtTimer) {
        killTimer(pending.qtTimer);
        byQtTimer_.erase(pending.qtTimer);
    }
    pending.qtTimer = startTimer(static_cast<int>(piece), Qt::PreciseTimer);
    pending.armedMs = piece;
    byQtTimer_[pending.qtTimer] = id;
}

void QtMainLoop::drop(std::uint64_t id) {
    auto found = pending_.find(id);
    if (found == pending_.end()) return;
    if (found->second.qtTimer) {
        killTimer(found->second.qtTimer);
        byQtTimer_.erase(found->second.qtTimer);
    }
    pending_.erase(found);
}

Timer QtMainLoop::oneShot(Duration delay, std::function<void()> callback) {
    return arm(delay, Duration::zero(), std::move(callback));
}

Timer QtMainLoop::arm(Duration delay, Duration interval, std::function<void()> callback) {
    const std::uint64_t id = nextId_++;
    Pending& pending = pending_[id];
    pending.interval = interval;
    pending.due = deadlineAfter(monotonicNow(), delay);
    pending.callback = std::move(callback);
    pending.state = std::make_shared<Handle::State>();
    std::weak_ptr<bool> alive = alive_;
    pending.state->onCancel = [this, alive, id] {
        if (!alive.expired()) drop(id);
    };
    armPiece(id, pending);
    return Timer(pending.state);
}

Timer QtMainLoop::repeating(Duration interval, std::function<void()> callback) {
    Duration every = std::max<Duration>(interval, std::chrono::milliseconds(1));
    return arm(every, every, std::move(callback));
}

void QtMainLoop::timerEvent(QTimerEvent* event) {
    auto owner = byQtTimer_.find(event->timerId());
    if (owner == byQtTimer_.end()) {
        QObject::timerEvent(event);
        return;
    }
    const std::uint64_t id = owner->second;
    auto found = pending_.find(id);
    if (found == pending_.end() || !found->second.state->active) {
        drop(id);
        return;
    }
    Pending& pending = found->second;
    const MonotonicTime now = monotonicNow();
    if (now < pending.due) {
        armPiece(id, pending);  // a long delay: the next piece
        return;
    }
    std::shared_ptr<Handle::State> state = pending.state;  // the callback may drop the entry
    std::function<void()> callback = std::move(pending.callback);
    if (pending.interval > Duration::zero()) {
        pending.due = std::max(pending.due + pending.interval, now);
        // Qt repeats the timer at the period it was armed with; only a piece of a longer
        // interval, or a shorter last piece, needs arming again.
        const auto period = std::chrono::ceil<std::chrono::milliseconds>(pending.interval);
        if (pending.armedMs != period.count() || period.count() > pieceMilliseconds_)
            armPiece(id, pending);
    } else {
        state->active = false;
        drop(id);
    }
    ++timerCallbacks_;
    callback();
    // Still armed after the call: give the callback back for the next time.
    if (state->active) {
        if (auto again = pending_.find(id); again != pending_.end())
            again->second.callback = std::move(callback);
    }
}

void QtMainLoop::post(std::function<void()> callback) {
    QMetaObject::invokeMethod(this, std::move(callback), Qt::QueuedConnection);
}

IoWatch QtMainLoop::watchReadable(int fd, std::function<void()> onReadable) {
    auto state = std::make_shared<Handle::State>();
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    QObject::connect(notifier, &QSocketNotifier::activated, this,
                     [onReadable = std::move(onReadable)] { onReadable(); });
    std::weak_ptr<bool> alive = alive_;
    state->onCancel = [notifier, alive] {
        if (alive.expired()) return;  // the loop, and with it the notifier, is gone
        notifier->setEnabled(false);
        notifier->deleteLater();
    };
    return IoWatch(state);
}

}  // namespace vesperine
