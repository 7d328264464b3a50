#pragma once

#include <optional>

#include "App/Preferences.h"
#include "Display/DisplayPipeline.h"
#include "Input/HotkeyAction.h"
#include "Persistence/ScheduleStore.h"
#include "Platform/Clock.h"
#include "Platform/DefaultsStore.h"
#include "Platform/Scheduler.h"
#include "Platform/TimeZoneSource.h"
#include "Schedule/ScheduleClock.h"
#include "Schedule/ScheduleEngine.h"
#include "State/ModeResolver.h"
#include "State/Override.h"
#include "Support/Alive.h"
#include "Support/Observable.h"

namespace vesperine {

// Ties the control core together. Every change of an input ends in `reevaluate`: evaluate the
// active schedule now, drop an expired override, resolve the mode, work out the target (the
// schedule's fade blended in when nothing interferes), hand it to the pipeline when it differs,
// and arm one wake timer for the next moment something changes by itself. Main loop only.
// Everything it is given is borrowed and must outlive it.
class AppState {
public:
    struct Services {
        DisplayPipeline& pipeline;
        ScheduleStore& store;
        DefaultsStore& defaults;
        Scheduler& scheduler;
        const Clock& realClock;
        TimeZoneSource& timeZones;
        Logger& logger;
    };

    // Loads the preferences and the stored override; evaluates nothing.
    AppState(Services services, ScheduleClock clock);

    const Observable<Preferences>& preferences() const { return preferences_; }
    const Observable<std::optional<Override>>& override() const { return override_; }
    const Observable<ModeResolver::Resolution>& resolution() const { return resolution_; }
    const Observable<std::optional<ScheduleEngine::State>>& scheduleState() const {
        return scheduleState_;
    }
    const Observable<std::optional<DisplayMode>>& previewMode() const { return previewMode_; }
    const Observable<std::optional<ModeResolver::AppRuleEffect>>& appRule() const {
        return appRule_;
    }
    const Observable<ModeResolver::BoostLimit>& boostLimit() const { return boostLimit_; }
    const ScheduleClock& clock() const { return clock_; }
    ScheduleStore& store() { return store_; }
    const ScheduleStore& store() const { return store_; }
    // What the displays show and can show (views ask it whether any display can boost).
    const DisplayPipeline& pipeline() const { return pipeline_; }
    // Where the preferences and the override are kept (views show a failed save).
    const DefaultsStore& defaults() const { return defaults_; }
    const TimeZoneSource& timeZones() const { return timeZones_; }

    // The schedule clock's current time.
    Instant now() const { return clock_.now(realClock_.now()); }
    // An engine for `schedule` as the app state evaluates schedules: with the store's
    // location, in the current time zone (the views show times in this zone too).
    ScheduleEngine engine(const Schedule& schedule) const;

    // `transition`: fade length in real seconds; none for the default rule.
    void reevaluate(std::optional<double> transition = std::nullopt);
    void select(DisplayMode::Kind kind, Override::Lifetime lifetime);
    void setLevel(double value, DisplayMode::Kind kind);
    void setOverrideLifetime(Override::Lifetime lifetime);
    // Assigns the override (persisting it); absent resumes the schedule at the next evaluation.
    void setOverride(std::optional<Override> value);
    // Takes in the stored preferences again (a hand edit of the defaults), without writing
    // them: the next pick of a kind uses the strength found there.
    void reloadPreferences() { preferences_.set(Preferences::load(defaults_)); }
    // Ends the override and shows what the schedule shows now.
    void resume();
    void perform(HotkeyAction action);
    void preview(const DisplayMode& mode, double seconds);
    void resetDisplay();
    void updateAppRule(std::optional<ModeResolver::AppRuleEffect> effect);
    void updateBoostLimit(const ModeResolver::BoostLimit& limit);
    // The mode of the step that begins at the next transition (the last of several steps at
    // that instant, the one that will really show).
    std::optional<DisplayMode> nextScheduledMode() const;
    // What the resolver weighs now: the scheduled mode, the rule, the preview or override,
    // the boost limit and what the displays and the desktop can show. The resolution is
    // resolve() of it; resolving it with one input left out tells whether that input decides.
    ModeResolver::Input resolverInput() const;

    // While held, re-evaluations resolve and arm their timers but hand nothing to the
    // pipeline: start-up holds the output until its first evaluation (or reset).
    void setOutputHeld(bool held) { outputHeld_ = held; }

    // For tests and diagnostics: the delay of the armed wake timer, in real seconds.
    std::optional<double> wakeDelay() const {
        return wakeTimer_.isActive() ? lastWakeDelay_ : std::nullopt;
    }

private:
    // A change of mode fades in this long (real seconds) unless the caller says otherwise.
    static constexpr double changeFadeSeconds = 0.5;
    // A schedule's fade is handed to the displays in pieces of this long (real seconds), which
    // they fade by themselves frame by frame; the app state wakes once a piece, not per frame.
    static constexpr double fadePieceSeconds = 30.0;
    // The first piece after anything else, eased in: short, so the displays reach the fade soon.
    static constexpr double fadeJoinSeconds = 5.0;
    // Each even piece reaches this much beyond the wake that hands the next, so the displays are
    // still in it when the next takes over: no piece ends on a frame (and wake-up) of its own.
    static constexpr double fadeOverlapSeconds = 1.0;
    // The part of a piece by which its hand-on may come early, to share a frame's wake-up.
    static constexpr double pieceLeeway = 1.0 / 6.0;

    ScheduleEngine engine() const { return engine(store_.active()); }
    void toggle(DisplayMode::Kind kind);
    void step(bool up);
    // Arms the one wake timer; `pieceSeconds`: when the next piece of a fade is due.
    void scheduleWake(double pieceSeconds = fadePieceSeconds);
    std::string shortTime(Instant instant) const;
    std::string stateLine(Instant now, const DisplayTarget& target, bool fading) const;

    DisplayPipeline& pipeline_;
    ScheduleStore& store_;
    DefaultsStore& defaults_;
    Scheduler& scheduler_;
    const Clock& realClock_;
    TimeZoneSource& timeZones_;
    Log log_;
    ScheduleClock clock_;

    Observable<Preferences> preferences_;
    Observable<std::optional<Override>> override_;
    Observable<ModeResolver::Resolution> resolution_{
        ModeResolver::Resolution{DisplayMode::off(), std::nullopt}};
    Observable<std::optional<ScheduleEngine::State>> scheduleState_;
    Observable<std::optional<DisplayMode>> previewMode_;
    Observable<std::optional<ModeResolver::AppRuleEffect>> appRule_;
    Observable<ModeResolver::BoostLimit> boostLimit_;

    Timer wakeTimer_;
    Timer previewTimer_;
    std::optional<double> lastWakeDelay_;
    // The piece of a scheduled fade last handed to the pipeline.
    std::optional<DisplayTarget> lastPiece_;
    bool outputHeld_ = false;
    Alive alive_;
};

}  // namespace vesperine
