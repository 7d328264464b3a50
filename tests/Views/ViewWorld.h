// The program's services on a simulated machine, started as the program starts them, for
// widget tests and screenshots: views are built over the real services, not over fakes.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>
#include <memory>

#include "App/AppDelegate.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/FixedTimeZone.h"
#include "Platform/Simulated/SimulatedPlatform.h"

namespace vesperine {

struct ViewWorld {
    // 2026-06-10 12:00 UTC: midday of a summer day, no location set.
    static constexpr double noon = 1'781'092'800;

    explicit ViewWorld(Instant start = Instant::fromUnix(noon)) : machine(start) {
        machine.displays.add({1, "Built-in", {0, 0, 1512, 982}, 2.0, true, 1.0, 1.0});
    }
    // Starts the program's services (call after planting what the test needs).
    AppDelegate& start() {
        app = std::make_unique<AppDelegate>(machine.platform(zone, logger, "/data/schedules.json"),
                                            LaunchOptions{});
        app->applicationDidFinishLaunching();
        return *app;
    }

    FixedTimeZone zone;
    CapturingLogger logger;
    SimulatedPlatform machine;
    std::unique_ptr<AppDelegate> app;
};

template <class T = QWidget>
T* find(QWidget* root, const char* name) {
    auto* found = root->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Shown means: would be on screen once the window is (hidden rows are skipped by layouts).
inline bool shown(QWidget* widget) { return widget && !widget->isHidden(); }

}  // namespace vesperine
