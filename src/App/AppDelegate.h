#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "App/AppState.h"
#include "App/LaunchOptions.h"
#include "App/LegacyMigration.h"
#include "Display/DisplayMonitor.h"
#include "Display/DisplayPipeline.h"
#include "Guards/PowerGuard.h"
#include "Guide/Guide.h"
#include "Input/HotkeyManager.h"
#include "Onboarding/OnboardingWindowController.h"
#include "Persistence/HandEditFollower.h"
#include "Persistence/ScheduleStore.h"
#include "Platform/Alert.h"
#include "Platform/Clock.h"
#include "Platform/DefaultsStore.h"
#include "Platform/DisplayServices.h"
#include "Platform/EDRSurface.h"
#include "Platform/FileSystem.h"
#include "Platform/FileWatch.h"
#include "Platform/HotkeyService.h"
#include "Platform/Installer.h"
#include "Platform/Logger.h"
#include "Platform/PowerSource.h"
#include "Platform/Processes.h"
#include "Platform/Relaunch.h"
#include "Platform/Scheduler.h"
#include "Platform/SingleInstance.h"
#include "Platform/SystemColourFeature.h"
#include "Platform/SystemEvents.h"
#include "Platform/TimeZoneSource.h"
#include "Platform/Trash.h"
#include "Platform/Workspace.h"
#include "Rules/AppRules.h"
#include "Support/Alive.h"
#include "System/ConflictDetector.h"
#include "Updates/Updater.h"

namespace vesperine {

// Where the platform hands control to the program. It owns the long-lived services, starts
// them in a fixed order, routes display events, and gives the displays back at termination.
// Everything it is given is borrowed and must outlive it. Main loop only.
class AppDelegate {
public:
    struct Platform {
        DisplayList& displays;
        DisplayGamma& gamma;
        DisplayEvents& displayEvents;
        EDRSurfaceFactory& surfaces;
        SystemEvents& systemEvents;
        Scheduler& scheduler;
        const Clock& realClock;
        TimeZoneSource& timeZones;
        DefaultsStore& defaults;
        FileSystem& files;
        Logger& logger;
        HotkeyService& hotkeys;
        SingleInstance& instance;
        Workspace& workspace;
        PowerSource& power;
        SystemColourFeature& nightLight;
        Processes& processes;
        Installer& installer;
        Alerts& alerts;
        Relaunch& relaunch;
        Trash& trash;
        LegacyMigration::Predecessor predecessor;
        std::string scheduleFile;       // the schedule store's file
        bool underTestHarness = false;  // start-up then starts and touches nothing
        // The onboarding window's; none where the program shows no windows (the replay).
        OnboardingWindowController* onboarding = nullptr;
    };

    // How the schedule clock runs: at the real pace from now, unless a replay or a test asks
    // for a faster one, optionally starting at another schedule time.
    struct ClockSetting {
        double scale = 1.0;
        std::optional<Instant> start;
    };

    enum class Outcome {
        started,
        relaunching,     // installed for this user: the installed copy starts in this one's place
        testHarness,
        handedOver,      // another instance runs and did what this launch asked
        handOverFailed,  // another instance runs and did not, or not all of it
        handOverUnanswered,  // another instance was asked and did not answer in time: it may
                             // still do it
    };

    AppDelegate(Platform platform, LaunchOptions options, ClockSetting clock);
    AppDelegate(Platform platform, LaunchOptions options)
        : AppDelegate(std::move(platform), std::move(options), ClockSetting{1.0, std::nullopt}) {}
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    Outcome applicationDidFinishLaunching();
    // After a hand-over outcome: one line for whoever launched, saying what happened
    // ("Asked the running Vesperine to reset the displays").
    const std::string& handOverReport() const { return handOverReport_; }
    // The same for a launch with `options` whose `request` reached a running instance with
    // the outcome `claim`: whether the launch did all it was asked (`handedOver`), not
    // (`handOverFailed`) or cannot tell (`handOverUnanswered`), and its line.
    static std::pair<Outcome, std::string> describeHandOver(const LaunchOptions& options,
                                                            const SingleInstance::Claim& claim,
                                                            SingleInstance::Request request);
    // Gives every display its own colours back, once, if start-up ran. Safe to call again.
    void applicationWillTerminate();

    // Called when a later launch asks this instance to come to the front. (A later launch's
    // "--reset" is carried out here, like "--reset" at start.)
    std::function<void()> onActivate;
    // Called once by start-up right before it first writes to a display (the take-over or the
    // reset). Until then the process can end at any moment without leaving a trace on them.
    std::function<void()> onAboutToTouchDisplays;
    // Shows the hint that points at the tray icon. Start-up calls it 1.5 s after it ends, or
    // 0.4 s after onboarding closes, unless the hint was shown before ("menuBarHintShown").
    std::function<void()> showMenuBarHint;

    // Follows hand edits of the schedule file and of the defaults file (at `defaultsFile`)
    // while the program runs, once start-up has run: each is read again a moment after it
    // changes, and what changed takes effect as if it had been chosen in the windows. A file
    // that cannot be watched is read at the next start, as always.
    void followHandEdits(FileWatch& watch, const std::string& defaultsFile);

    // Shows onboarding (after start-up; the settings' "Run Setup Again…" calls it); once it
    // closes, the hint follows as above.
    void showOnboarding();

    DisplayPipeline& pipeline() { return pipeline_; }
    DisplayMonitor& monitor() { return monitor_; }
    AppRules& appRules() { return appRules_; }
    PowerGuard& powerGuard() { return powerGuard_; }
    HotkeyManager& hotkeys() { return hotkeys_; }
    ConflictDetector& conflicts() { return conflicts_; }
    Guide& guide() { return guide_; }
    Updater& updater() { return updater_; }
    // Created on first use, with the schedule store and the clock.
    AppState& state();
    bool didStart() const { return didStart_; }

private:
    void handle(DisplayMonitor::Event event);
    void handle(SingleInstance::Request request);
    void schedulesEdited();
    void defaultsEdited();
    // Another program quit: it may have put its own tables back over ours.
    void reassertSoon();
    void showMenuBarHintAfter(Duration delay);
    Outcome report(const SingleInstance::Claim& claim, SingleInstance::Request request);

    Platform platform_;
    LaunchOptions options_;
    ClockSetting clockSetting_;
    Log log_;
    DisplayPipeline pipeline_;
    std::unique_ptr<ScheduleStore> store_;
    std::unique_ptr<AppState> state_;
    AppRules appRules_;
    PowerGuard powerGuard_;
    HotkeyManager hotkeys_;
    ConflictDetector conflicts_;
    OnboardingWindowController* onboarding_;  // holds no window until shown
    Guide guide_;
    Updater updater_;
    DisplayMonitor monitor_;
    Handle applicationQuits_;
    Handle competitorExits_;
    Timer reassert_;
    Timer menuBarHint_;
    std::unique_ptr<HandEditFollower> handEdits_;
    std::string handOverReport_;
    bool didStart_ = false;
    bool terminated_ = false;
    Alive alive_;
};

}  // namespace vesperine
