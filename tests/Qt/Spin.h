// Runs Qt's event loop (the loop the program ships with) until a condition holds.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

namespace vesperine {

// Spins the loop until `done` gives true or `timeoutMs` pass; returns `done()`.
inline bool spin(const std::function<bool()>& done, int timeoutMs = 2000) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return done();
}

// Spins the loop for `ms` whatever happens (to see that nothing more arrives).
inline void spinFor(int ms) {
    spin([] { return false; }, ms);
}

}  // namespace vesperine
