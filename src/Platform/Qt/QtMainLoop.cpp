#include "Platform/Qt/QtMainLoop.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <ctime>

namespace vesperine {

namespace {
// A timer or notifier may be dropped from inside its own signal; let Qt delete it once the
// emission is over.
struct DeleteLater {
    void operator()(QObject* object) const { object->deleteLater(); }
};
}  // namespace

struct QtMainLoop::Pending {
    std::uint64_t id = 0;
    MonotonicTime due{0};
    Duration interval{0};  // zero: one-shot
    std::function<void()> callback;
    std::shared_ptr<Handle::State> state;
    std::unique_ptr<QTimer, DeleteLater> timer;
};

QtMainLoop::QtMainLoop(std::int64_t pieceMilliseconds, QObject* parent)
    : QObject(parent),
      pieceMilliseconds_(std::clamp<std::int64_t>(pieceMilliseconds, 1, maxTimerMilliseconds)) {}

QtMainLoop::~QtMainLoop() {
    *alive_ = false;
    for (auto& [id, pending] : pending_) pending->state->active = false;
}

MonotonicTime QtMainLoop::monotonicNow() const {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

void QtMainLoop::armPiece(const std::shared_ptr<Pending>& pending) {
    auto remaining = std::chrono::ceil<std::chrono::milliseconds>(
        std::max(pending->due - monotonicNow(), Duration::zero()));
    const auto piece = std::min<std::int64_t>(remaining.count(), pieceMilliseconds_);
    pending->timer->start(static_cast<int>(piece));
}

Timer QtMainLoop::oneShot(Duration delay, std::function<void()> callback) {
    return arm(delay, Duration::zero(), std::move(callback));
}

Timer QtMainLoop::arm(Duration delay, Duration interval, std::function<void()> callback) {
    auto pending = std::make_shared<Pending>();
    pending->interval = interval;
    pending->id = nextId_++;
    pending->due = deadlineAfter(monotonicNow(), delay);
    pending->callback = std::move(callback);
    pending->state = std::make_shared<Handle::State>();
    pending->timer.reset(new QTimer());
    pending->timer->setSingleShot(true);
    pending->timer->setTimerType(Qt::PreciseTimer);
    std::weak_ptr<Pending> weak = pending;
    QObject::connect(pending->timer.get(), &QTimer::timeout, this, [this, weak] {
        if (auto p = weak.lock()) fire(p);
    });
    std::weak_ptr<bool> alive = alive_;
    const std::uint64_t id = pending->id;
    pending->state->onCancel = [this, alive, id] {
        if (!alive.expired()) pending_.erase(id);
    };
    pending_.emplace(id, pending);
    armPiece(pending);
    return Timer(pending->state);
}

Timer QtMainLoop::repeating(Duration interval, std::function<void()> callback) {
    Duration every = std::max<Duration>(interval, std::chrono::milliseconds(1));
    return arm(every, every, std::move(callback));
}

void QtMainLoop::fire(const std::shared_ptr<Pending>& pending) {
    if (!pending->state->active) return;
    if (monotonicNow() < pending->due) {
        armPiece(pending);  // a long delay: the next piece
        return;
    }
    auto keep = pending;  // the callback may cancel the timer and drop the map's reference
    if (pending->interval > Duration::zero()) {
        pending->due = std::max(pending->due + pending->interval, monotonicNow());
        armPiece(pending);
    } else {
        pending->state->active = false;
        pending_.erase(pending->id);
    }
    ++timerCallbacks_;
    auto callback = keep->callback;
    callback();
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
