#include "App/AppDelegate.h"

#include "App/AppInfo.h"
#include "App/MoveToApplications.h"
#include "App/StartupSummary.h"

namespace vesperine {

AppDelegate::AppDelegate(Platform platform, LaunchOptions options, ClockSetting clock)
    : platform_(std::move(platform)),
      options_(std::move(options)),
      clockSetting_(clock),
      log_(platform_.logger, "app"),
      pipeline_(platform_.displays, platform_.gamma, platform_.surfaces, platform_.scheduler,
                platform_.logger),
      appRules_(platform_.defaults, platform_.workspace, AppInfo::current().bundleIdentifier),
      powerGuard_(platform_.defaults, platform_.power, platform_.scheduler),
      hotkeys_(platform_.defaults, platform_.hotkeys, platform_.logger),
      conflicts_({platform_.nightLight, platform_.processes, pipeline_.displays(), platform_.gamma,
                  platform_.scheduler, platform_.logger},
                 AppInfo::current().displayName),
      onboarding_(platform_.onboarding),
      guide_(platform_.defaults, platform_.realClock, platform_.logger),
      updater_(platform_.defaults, platform_.logger),
      monitor_(platform_.displayEvents, platform_.systemEvents, platform_.scheduler,
               platform_.logger) {}

AppDelegate::~AppDelegate() = default;

AppState& AppDelegate::state() {
    if (!state_) {
        store_ = std::make_unique<ScheduleStore>(platform_.files, platform_.logger,
                                                 platform_.scheduleFile, platform_.timeZones,
                                                 platform_.realClock);
        const auto clock = ScheduleClock::make(clockSetting_.scale, platform_.realClock.now(),
                                               clockSetting_.start);
        state_ = std::make_unique<AppState>(
            AppState::Services{pipeline_, *store_, platform_.defaults, platform_.scheduler,
                               platform_.realClock, platform_.timeZones, platform_.logger},
            clock);
        // Services started before the first evaluation may already report values; none of
        // them may reach the displays before start-up decides what to show (or to reset).
        state_->setOutputHeld(true);
    }
    return *state_;
}

void AppDelegate::followHandEdits(FileWatch& watch, const std::string& defaultsFile) {
    if (!didStart_) return;
    handEdits_ = std::make_unique<HandEditFollower>(
        watch, platform_.scheduler, platform_.logger,
        std::vector<HandEditFollower::File>{{platform_.scheduleFile, [this] { schedulesEdited(); }},
                                            {defaultsFile, [this] { defaultsEdited(); }}});
}

void AppDelegate::schedulesEdited() {
    const Uuid active = store_->activeID().get();
    if (!store_->reload()) return;
    // Another schedule made active by hand is a pick of it, as "Use" in the settings is: it
    // ends an override.
    if (store_->activeID().get() != active) state_->setOverride(std::nullopt);
    state_->reevaluate();
}

void AppDelegate::defaultsEdited() {
    if (!platform_.defaults.reload()) return;
    state_->reloadPreferences();
    appRules_.reloadStored();
    powerGuard_.reloadStored();
    hotkeys_.reloadStored();
    guide_.reloadStored();
}

AppDelegate::Outcome AppDelegate::applicationDidFinishLaunching() {
    // Under a test harness nothing starts and nothing is touched.
    if (platform_.underTestHarness) return Outcome::testHarness;

    // The offer to install a downloaded copy; the installed one then starts in its place.
    const AppInfo info = AppInfo::current();
    // A run that only holds a pick for a command ("vesperine warm 3400" where tables last only
    // while their client runs) offers nothing and takes nothing over: the person's own next
    // start of the program does both.
    if (!options_.hold && MoveToApplications(platform_.installer, platform_.alerts,
                                             platform_.relaunch, platform_.trash,
                                             platform_.logger, info)
                              .offerIfNeeded()) {
        return Outcome::relaunching;
    }

    // The predecessor's settings and schedules, before the schedule store first opens, so a
    // schedule copied from it is the one the store loads.
    const bool installed = MoveToApplications::classify(platform_.installer.runningPath(),
                                                        platform_.installer.places()) ==
                           MoveToApplications::Location::inApplications;
    if (!options_.hold) {
        LegacyMigration({platform_.defaults, platform_.files, platform_.trash, platform_.logger},
                        platform_.predecessor, platform_.scheduleFile)
            .run(installed);
    }

    // One instance: a running one is handed this launch's request instead.
    const auto request =
        options_.reset ? SingleInstance::Request::resetDisplays : SingleInstance::Request::activate;
    const SingleInstance::Claim claim = platform_.instance.claimOrHandOver(request);
    if (claim.outcome != SingleInstance::Outcome::claimed) return report(claim, request);
    platform_.instance.setOnRequest(
        alive_.guard([this](SingleInstance::Request received) { handle(received); }));
    didStart_ = true;

    // The app state (its output held until the first evaluation), and the tips that follow it.
    AppState& appState = state();
    guide_.start(appState, options_.resetTips);

    // A program that quits may put its own tables back as it goes; ours go back on top.
    applicationQuits_ = platform_.workspace.observeTerminations(
        alive_.guard([this](const RunningApplication&) { reassertSoon(); }));
    competitorExits_ = platform_.processes.observeExits(
        alive_.guard([this](const RunningProcess&) { reassertSoon(); }));

    // Display events.
    monitor_.onEvent = alive_.guard([this](DisplayMonitor::Event event) { handle(event); });
    monitor_.start();

    // What the app rules and the power guard decide reaches the app state.
    appRules_.onChange = alive_.guard([this](std::optional<ModeResolver::AppRuleEffect> effect) {
        state().updateAppRule(effect);
    });
    powerGuard_.onChange = alive_.guard(
        [this](const ModeResolver::BoostLimit& limit) { state().updateBoostLimit(limit); });

    // Updates, and a check now when asked for.
    updater_.start();
    if (options_.checkForUpdates) updater_.checkForUpdates();

    // A hot key does its action; the tips then know shortcuts are in use.
    hotkeys_.onAction = alive_.guard([this](HotkeyAction action) {
        state().perform(action);
        guide_.donate(TipEvent::shortcutUsed);
    });

    // The app rules, the power guard and the hot keys start.
    appRules_.start();
    guide_.followApplications(appRules_.lastExternalApp());  // the pause tip needs one
    powerGuard_.start();
    hotkeys_.start();

    // While our own tint is on the displays, tables that differ from neutral are ours.
    conflicts_.appOwnsGamma = [this] { return !pipeline_.current().get().isOff(); };
    conflicts_.start();

    // The services may have answered before their callbacks could reach the app state.
    appState.updateAppRule(appRules_.effect().get());
    appState.updateBoostLimit(powerGuard_.limit().get());

    // The first evaluation, or with "--reset" the displays' own colours and Off held.
    if (onAboutToTouchDisplays) onAboutToTouchDisplays();
    appState.setOutputHeld(false);
    if (options_.reset) {
        appState.resetDisplay();
    } else {
        pipeline_.takeOver();
        appState.reevaluate();
    }
    log_.notice("%s", startupSummary(appState).c_str());

    // A new user is walked through the program; after that, the tray icon is pointed out once.
    if (!platform_.defaults.boolean(OnboardingWindowController::completeKey) ||
        options_.onboarding) {
        showOnboarding();
    } else {
        showMenuBarHintAfter(std::chrono::milliseconds(1500));
    }
    return Outcome::started;
}

void AppDelegate::showOnboarding() {
    if (!didStart_ || !onboarding_) return;
    log_.info("Showing onboarding");
    onboarding_->show(state(), conflicts_, alive_.guard([this] {
        showMenuBarHintAfter(std::chrono::milliseconds(400));
    }));
}

void AppDelegate::showMenuBarHintAfter(Duration delay) {
    if (platform_.defaults.boolean(Guide::hintShownKey)) return;
    menuBarHint_ = platform_.scheduler.oneShot(delay, alive_.guard([this] {
        // Opening the menu meanwhile counts as having seen it.
        if (!platform_.defaults.boolean(Guide::hintShownKey) && showMenuBarHint) showMenuBarHint();
    }));
}

void AppDelegate::handle(DisplayMonitor::Event event) {
    using Event = DisplayMonitor::Event;
    pipeline_.handle(event);
    if (event == Event::timeZoneChanged) platform_.timeZones.reset();
    if (event == Event::wake || event == Event::clockChanged || event == Event::timeZoneChanged) {
        state().reevaluate();
    }
}

void AppDelegate::reassertSoon() {
    reassert_ = platform_.scheduler.oneShot(std::chrono::milliseconds(300),
                                            alive_.guard([this] { pipeline_.reassert(); }));
}

AppDelegate::Outcome AppDelegate::report(const SingleInstance::Claim& claim,
                                         SingleInstance::Request request) {
    auto [outcome, line] = describeHandOver(options_, claim, request);
    handOverReport_ = std::move(line);
    return outcome;
}

std::pair<AppDelegate::Outcome, std::string> AppDelegate::describeHandOver(
    const LaunchOptions& options, const SingleInstance::Claim& claim,
    SingleInstance::Request request) {
    using Outcome = SingleInstance::Outcome;
    const std::string name = AppInfo::defaultDisplayName;
    const bool reset = request == SingleInstance::Request::resetDisplays;
    std::string line;
    if (claim.outcome == Outcome::handedOver) {
        line = reset ? "Asked the running " + name + " to reset the displays"
                     : name + " is already running; asked it to come to the front";
    } else if (claim.outcome == Outcome::unanswered) {
        // It has the request and may act on it once it runs again: "not done" could be wrong.
        line = "The running " + name + " " + claim.detail + "; it may still " +
               (reset ? "reset the displays" : "come to the front") + " once it answers";
    } else {
        line = "Couldn't ask the running " + name +
               (reset ? " to reset the displays" : " to come to the front") + ": it " +
               claim.detail +
               (claim.outcome == Outcome::refused ? " (quit it and start again)" : "");
    }
    // The running instance takes only the requests above; the rest would start something it
    // has no way to be asked for yet. Say so rather than drop them.
    std::string left;
    const std::pair<bool, const char*> switches[] = {
        {options.checkForUpdates, "--check-for-updates"},
        {options.onboarding, "--onboarding"},
        {options.resetTips, "--reset-tips"},
        {options.clockScale.has_value(), "--clock-scale"},
        {options.clockStartMinutes.has_value(), "--clock-start"},
    };
    for (const auto& [given, name] : switches) {
        if (given) left += std::string(left.empty() ? "" : ", ") + name;
    }
    if (!left.empty()) line += "; it can't take " + left + " from a later launch: quit it first";
    if (!left.empty() || (claim.outcome != Outcome::handedOver && claim.outcome != Outcome::unanswered))
        return {AppDelegate::Outcome::handOverFailed, line};
    return {claim.outcome == Outcome::handedOver ? AppDelegate::Outcome::handedOver
                                                 : AppDelegate::Outcome::handOverUnanswered,
            line};
}

void AppDelegate::handle(SingleInstance::Request request) {
    switch (request) {
        case SingleInstance::Request::activate:
            if (onActivate) onActivate();
            return;
        case SingleInstance::Request::resetDisplays:
            log_.notice("A later launch asked to reset the displays");
            state().resetDisplay();
            return;
    }
}

void AppDelegate::applicationWillTerminate() {
    if (!didStart_ || platform_.underTestHarness || terminated_) return;
    terminated_ = true;
    monitor_.stop();
    pipeline_.reset();
}

}  // namespace vesperine
