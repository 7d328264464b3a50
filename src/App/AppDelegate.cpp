#include "App/AppDelegate.h"

namespace vesperine {

AppDelegate::AppDelegate(Platform platform, LaunchOptions options, ClockSetting clock)
    : platform_(std::move(platform)),
      options_(std::move(options)),
      clockSetting_(clock),
      log_(platform_.logger, "app"),
      pipeline_(platform_.displays, platform_.gamma, platform_.surfaces, platform_.scheduler,
                platform_.logger),
      hotkeys_(platform_.defaults, platform_.hotkeys, platform_.logger),
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

AppDelegate::Outcome AppDelegate::applicationDidFinishLaunching() {
    if (platform_.underTestHarness) return Outcome::testHarness;
    if (!platform_.instance.claimOrActivateOther()) {
        log_.notice("Another instance is running; asked it to come to the front");
        return Outcome::otherInstanceActivated;
    }
    platform_.instance.setOnActivateRequest(alive_.guard([this] {
        if (onActivate) onActivate();
    }));
    didStart_ = true;

    AppState& appState = state();

    monitor_.onEvent = alive_.guard([this](DisplayMonitor::Event event) { handle(event); });
    monitor_.start();

    hotkeys_.onAction = alive_.guard([this](HotkeyAction action) { state().perform(action); });
    hotkeys_.start();

    if (onAboutToTouchDisplays) onAboutToTouchDisplays();
    appState.setOutputHeld(false);
    if (options_.reset) {
        appState.resetDisplay();
    } else {
        pipeline_.takeOver();
        appState.reevaluate();
    }
    return Outcome::started;
}

void AppDelegate::handle(DisplayMonitor::Event event) {
    using Event = DisplayMonitor::Event;
    pipeline_.handle(event);
    if (event == Event::timeZoneChanged) platform_.timeZones.reset();
    if (event == Event::wake || event == Event::clockChanged || event == Event::timeZoneChanged) {
        state().reevaluate();
    }
}

void AppDelegate::applicationWillTerminate() {
    if (!didStart_ || platform_.underTestHarness || terminated_) return;
    terminated_ = true;
    monitor_.stop();
    pipeline_.reset();
}

}  // namespace vesperine
