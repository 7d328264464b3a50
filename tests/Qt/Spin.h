// Turns Qt's event loop (the loop the program ships with) until a condition holds.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <functional>

namespace vesperine {

// Turns the loop until `done` gives true or `timeout` passes; returns `done()`. Between
// events the loop sleeps (a 5 ms tick wakes it to look again), so the processes a test waits
// for get the processor instead of a busy wait.
inline bool spin(const std::function<bool()>& done,
                 std::chrono::milliseconds timeout = std::chrono::seconds(2)) {
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer tick;
    tick.start(5);
    while (!done() && elapsed.elapsed() < timeout.count())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

// Turns the loop for `span` whatever happens (to see that nothing more arrives).
inline void spinFor(std::chrono::milliseconds span) {
    spin([] { return false; }, span);
}

}  // namespace vesperine
