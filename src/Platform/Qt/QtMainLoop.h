#pragma once

#include <QObject>
#include <functional>
#include <cstdint>
#include <map>
#include <memory>

#include "Platform/IoWatcher.h"
#include "Platform/Scheduler.h"

namespace vesperine {

// The program's main loop: Qt's event loop, seen through the core's Scheduler and
// IoWatcher seams. Timers are precise Qt timers of this one object (a 33 ms fade frame must
// not be rounded to 5% of its length; and no object is made per timer): a repeating one is
// repeated by Qt itself. A Qt timer holds at most INT_MAX milliseconds (about 24.8 days), so
// a longer delay is armed in pieces and re-armed until it is due; it never wraps into a
// negative or zero interval.
class QtMainLoop final : public QObject, public Scheduler, public IoWatcher {
public:
    // `pieceMilliseconds` is the longest single QTimer interval used (tests make it short).
    explicit QtMainLoop(std::int64_t pieceMilliseconds = maxTimerMilliseconds, QObject* parent = nullptr);
    ~QtMainLoop() override;

    MonotonicTime monotonicNow() const override;
    Timer oneShot(Duration delay, std::function<void()> callback) override;
    Timer repeating(Duration interval, std::function<void()> callback) override;
    void post(std::function<void()> callback) override;
    IoWatch watchReadable(int fd, std::function<void()> onReadable) override;

    std::uint64_t timerCallbacksRun() const { return timerCallbacks_; }

    // The largest piece one QTimer is armed with.
    static constexpr std::int64_t maxTimerMilliseconds = 2'147'483'647;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    struct Pending {
        MonotonicTime due{0};
        Duration interval{0};  // zero: one-shot
        std::function<void()> callback;
        std::shared_ptr<Handle::State> state;
        int qtTimer = 0;          // the Qt timer armed for it
        std::int64_t armedMs = 0;  // and its period
    };
    Timer arm(Duration delay, Duration interval, std::function<void()> callback);
    // Arms the Qt timer for the rest of the delay, or its next piece.
    void armPiece(std::uint64_t id, Pending& pending);
    void drop(std::uint64_t id);

    std::map<std::uint64_t, Pending> pending_;
    std::map<int, std::uint64_t> byQtTimer_;
    std::uint64_t nextId_ = 0;
    std::uint64_t timerCallbacks_ = 0;
    std::int64_t pieceMilliseconds_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vesperine
