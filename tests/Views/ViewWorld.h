// The program's services on a simulated machine, started as the program starts them, for
// widget tests and screenshots: views are built over the real services, not over fakes.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>
#include <memory>

#include "App/AppDelegate.h"
#include "App/Views/MenuServices.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/FixedTimeZone.h"
#include "Platform/Simulated/SimulatedLocator.h"
#include "Platform/Simulated/SimulatedPlatform.h"
#include "Settings/Views/SettingsServices.h"
#include "Support/TestTime.h"

namespace vesperine {

struct ViewWorld {
    // Midday of a summer day, no location set.
    explicit ViewWorld(Instant start = Instant::fromUnix(testing_time::noon)) : machine(start) {
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
    // A display that can boost, up to 160% right now, in place of the built-in one.
    void addHdrDisplay() {
        machine.displays.remove(1);
        machine.displays.add({2, "HDR", {0, 0, 1512, 982}, 2.0, true, 16.0, 2.56});
    }
    // The tray panel's and the settings window's services over the started program; what
    // their buttons and "Choose App…" do is the caller's to set.
    MenuServices menuServices() {
        return {.state = app->state(),
                .pipeline = app->pipeline(),
                .appRules = app->appRules(),
                .conflicts = app->conflicts(),
                .guide = app->guide(),
                .scheduler = machine.time,
                .logger = logger,
                .info = AppInfo::current(),
                .openSettings = {},
                .quit = {}};
    }
    SettingsServices settingsServices(LoginItem& loginItem) {
        return {app->state(),
                app->appRules(),
                app->powerGuard(),
                app->hotkeys(),
                app->conflicts(),
                app->guide(),
                app->updater(),
                loginItem,
                machine.relaunch,
                machine.workspace,
                machine.defaults,
                machine.time,
                AppInfo::current(),
                {},
                {},
                {},
                &locator};
    }

    LaunchOptions options;
    OnboardingWindowController* onboarding = nullptr;  // none: onboarding never shows
    FixedTimeZone zone;
    CapturingLogger logger;
    SimulatedPlatform machine;
    SimulatedLocator locator{machine.time};  // knows no place until a test says
    std::unique_ptr<AppDelegate> app;
};

// The tray panel's services over a started simulated machine, with the settings and quit
// actions counted instead of carried out.
struct MenuWorld {
    // Starts the program's services; plant in `world.machine` first when the test needs to.
    MenuServices& start() {
        world.start();
        services = std::make_unique<MenuServices>(world.menuServices());
        services->openSettings = [this] { ++settingsOpened; };
        services->quit = [this] { ++quits; };
        return *services;
    }

    ViewWorld world;
    std::unique_ptr<MenuServices> services;
    int settingsOpened = 0;
    int quits = 0;
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
