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
    // Makes the program (after planting what the test needs), with `options` and `onboarding`.
    AppDelegate& make() {
        auto platform = machine.platform(zone, logger, "/data/schedules.json");
        platform.onboarding = onboarding;
        app = std::make_unique<AppDelegate>(std::move(platform), options);
        return *app;
    }
    // Makes the program and starts its services.
    AppDelegate& start() {
        make().applicationDidFinishLaunching();
        return *app;
    }

    LaunchOptions options;
    OnboardingWindowController* onboarding = nullptr;  // none: onboarding never shows
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
