#include "App/AppState.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Persistence/Stored.h"
#include "Schedule/Calendar.h"
#include "Schedule/ModeBlend.h"

namespace vesperine {

AppState::AppState(Services services, ScheduleClock clock)
    : pipeline_(services.pipeline),
      store_(services.store),
      defaults_(services.defaults),
      scheduler_(services.scheduler),
      realClock_(services.realClock),
      timeZones_(services.timeZones),
      log_(services.logger, "state"),
      clock_(clock),
      preferences_(Preferences::load(services.defaults)) {
    std::optional<Override> stored;
    if (auto bytes = defaults_.data(Override::defaultsKey))
        stored = json::decode<Override>(*bytes).toOptional();
    setOverride(stored);
}

void AppState::setOverride(std::optional<Override> value) {
    // Every assignment persists, equal or not.
    override_.set(value);
    if (value && Stored::save(*value, Override::defaultsKey, defaults_)) return;
    defaults_.remove(Override::defaultsKey);
}

ScheduleEngine AppState::engine(const Schedule& schedule) const {
    return ScheduleEngine(schedule, store_.location().get(), timeZones_.current());
}

std::string AppState::shortTime(Instant instant) const {
    const auto second = Calendar(timeZones_.current()).secondOfDay(instant);
    if (!second) return "--:--:--";
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", *second / 3600, *second / 60 % 60,
                  *second % 60);
    return text;
}

void AppState::reevaluate(std::optional<double> transition) {
    const Instant now = this->now();
    scheduleState_.set(engine().state(now));
    const auto& state = scheduleState_.get();

    if (override_.get() && override_.get()->isExpired(
                               now, state ? std::optional(state->lastTransition) : std::nullopt)) {
        setOverride(std::nullopt);
    }

    const ModeResolver::Input input = resolverInput();
    const bool capable = input.boostCapable;
    const ColourControl control = input.control;
    resolution_.set(ModeResolver::resolve(input));

    DisplayTarget target = resolution_->mode.target();
    bool fading = false;
    bool follows = false;
    double duration = transition.value_or(changeFadeSeconds);
    double pieceSeconds = fadePieceSeconds;
    // A desktop that lends only its night light fades that by itself, and a blend towards a
    // mode it cannot show would show that mode: there the resolved mode is the target.
    if (state && state->progress < 1.0 && !previewMode_.get() && !override_.get() &&
        !appRule_.get() && control == ColourControl::tables) {
        fading = true;
        double progress = state->progress;
        if (transition) {
            duration = *transition;
        } else {
            // The displays get the fade a piece at a time, each ending on the blend at its end,
            // so they are on the schedule all through it. A piece that follows one of ours goes
            // on evenly; joining the fade from anything else (a start, an override's end, a
            // wake that came after the piece had ended) eases in over a short piece first.
            follows = pipeline_.isFading() && lastPiece_ && pipeline_.target().get() == *lastPiece_;
            pieceSeconds = follows ? fadePieceSeconds : fadeJoinSeconds;
            const double left = clock_.realSpan(*state->fadeEnds - now);
            // A join lands before the first even piece takes over, which then starts on the
            // schedule; the even pieces overlap.
            duration = std::min(std::max(left, changeFadeSeconds),
                                follows ? pieceSeconds + fadeOverlapSeconds : pieceSeconds);
            // Progress is even in time.
            progress = duration < left ? progress + (1.0 - progress) * duration / left : 1.0;
        }
        target = ModeBlend::target(state->from, state->to, progress);
        switch (boostLimit_->kind()) {
            case ModeResolver::BoostLimit::Kind::cap:
                target.boost = std::min(boostLimit_->capValue(), target.boost);
                break;
            case ModeResolver::BoostLimit::Kind::disabled:
                target.boost = 1.0;
                break;
            case ModeResolver::BoostLimit::Kind::none:
                break;
        }
        if (!capable) target.boost = 1.0;
    }

    if (!outputHeld_ && !(pipeline_.target().get() == target)) {
        // A piece that goes on with the fade is routine: said only when asked for.
        log_.write(follows ? LogLevel::debug : LogLevel::notice,
                   stateLine(now, target, fading).c_str());
        pipeline_.apply(target, duration, follows ? Easing::Curve::even : Easing::Curve::smooth);
        lastPiece_ = fading && !transition ? std::optional(target) : std::nullopt;
    }
    scheduleWake(pieceSeconds);
}

std::string AppState::stateLine(Instant now, const DisplayTarget& target, bool fading) const {
    char line[256];
    std::snprintf(line, sizeof line, "[%s] %s boost=%.2f gains=(%.2f, %.2f, %.2f) fading=%s",
                  shortTime(now).c_str(), resolution_->mode.shortDescription().c_str(),
                  target.boost, target.gains.r, target.gains.g, target.gains.b,
                  fading ? "true" : "false");
    return line;
}

void AppState::resume() {
    setOverride(std::nullopt);
    reevaluate();
}

void AppState::scheduleWake(double pieceSeconds) {
    wakeTimer_.cancel();
    lastWakeDelay_.reset();
    const Instant now = this->now();
    std::vector<double> candidates;
    const auto& state = scheduleState_.get();
    if (state) {
        if (state->fadeEnds) {
            candidates.push_back(pieceSeconds);
            candidates.push_back(clock_.realSpan(*state->fadeEnds - now));
        }
        candidates.push_back(clock_.realSpan(state->nextTransition - now));
    }
    if (const auto& current = override_.get()) {
        switch (current->lifetime.kind()) {
            case Override::Lifetime::Kind::until:
                candidates.push_back(clock_.realSpan(current->lifetime.date() - now));
                break;
            case Override::Lifetime::Kind::untilNextTransition:
                if (state) candidates.push_back(clock_.realSpan(state->nextTransition - now));
                break;
            case Override::Lifetime::Kind::indefinitely:
                break;
        }
    }
    // A delay that is not a finite number cannot be waited for; waking at once instead would
    // spin the loop, so it is dropped (and said).
    std::erase_if(candidates, [this](double delay) {
        if (std::isfinite(delay)) return false;
        log_.error("Ignored a wake delay that is not a finite number");
        return true;
    });
    if (candidates.empty()) return;
    const double delay = *std::min_element(candidates.begin(), candidates.end());
    std::string list;
    for (double candidate : candidates) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", candidate);
        if (!list.empty()) list += ",";
        list += text;
    }
    log_.debug("next wake in %.1fs real (candidates %s)", delay, list.c_str());
    lastWakeDelay_ = std::max(delay + 0.01, 0.05);
    // The hand-on of an even piece may come a little early, on a frame's wake-up: what is
    // shown is then on the schedule, and the next piece starts from it and ends on the
    // schedule's blend. A joining piece is eased, behind the schedule until it ends, and any
    // other wake (a transition, an override's end) comes at its time.
    const bool handsOn = state && state->fadeEnds && delay == pieceSeconds &&
                         pieceSeconds == fadePieceSeconds && lastPiece_;
    const Duration leeway =
        handsOn ? *durationFromSeconds(pieceSeconds * pieceLeeway) : Duration::zero();
    // Very long delays saturate; the main loop arms them in pieces it can hold.
    wakeTimer_ = scheduler_.oneShotWithLeeway(*durationFromSeconds(*lastWakeDelay_), leeway,
                                              alive_.guard([this] { reevaluate(); }));
}

void AppState::select(DisplayMode::Kind kind, Override::Lifetime lifetime) {
    setOverride(Override{preferredMode(kind, preferences_.get()), lifetime, now()});
    reevaluate();
}

void AppState::setLevel(double value, DisplayMode::Kind kind) {
    if (kind == DisplayMode::Kind::off) return;
    Preferences updated = preferences_.get();
    updated.setStrength(kind, value);
    preferences_.set(updated);
    updated.save(defaults_);
    const auto& existing = override_.get();
    setOverride(Override{preferredMode(kind, updated),
                         existing ? existing->lifetime : Override::Lifetime::untilNextTransition(),
                         existing ? existing->setAt : now()});
    reevaluate(0.0);
}

void AppState::setOverrideLifetime(Override::Lifetime lifetime) {
    auto current = override_.get();
    if (!current) return;
    current->lifetime = lifetime;
    setOverride(current);
    reevaluate();
}

void AppState::toggle(DisplayMode::Kind kind) {
    if (resolution_->mode.kind() == kind) {
        select(DisplayMode::Kind::off, Override::Lifetime::untilNextTransition());
    } else {
        select(kind, Override::Lifetime::untilNextTransition());
    }
}

void AppState::step(bool up) {
    const auto kind = resolution_->mode.kind();
    if (auto value = steppedStrength(kind, preferences_.get(), up)) setLevel(*value, kind);
}

void AppState::perform(HotkeyAction action) {
    switch (action) {
        case HotkeyAction::toggleBright:
            toggle(DisplayMode::Kind::bright);
            break;
        case HotkeyAction::stepUp:
            step(true);
            break;
        case HotkeyAction::stepDown:
            step(false);
            break;
        case HotkeyAction::toggleWarm:
            toggle(DisplayMode::Kind::warm);
            break;
        case HotkeyAction::toggleRed:
            toggle(DisplayMode::Kind::red);
            break;
        case HotkeyAction::offOrResume:
            if (!override_.get()) {
                select(DisplayMode::Kind::off, Override::Lifetime::untilNextTransition());
            } else {
                setOverride(std::nullopt);
                reevaluate();
            }
            break;
    }
}

void AppState::preview(const DisplayMode& mode, double seconds) {
    previewMode_.set(mode);
    reevaluate();
    previewTimer_.cancel();
    auto delay = durationFromSeconds(seconds).value_or(Duration::zero());
    previewTimer_ = scheduler_.oneShot(delay, alive_.guard([this] {
        if (previewMode_.get()) previewMode_.set(std::nullopt);
        reevaluate();
    }));
}

void AppState::resetDisplay() {
    setOverride(Override{DisplayMode::off(), Override::Lifetime::indefinitely(), now()});
    previewMode_.set(std::nullopt);
    previewTimer_.cancel();
    resolution_.set({DisplayMode::off(), std::nullopt});
    pipeline_.reset();
    scheduleWake();
}

void AppState::updateAppRule(std::optional<ModeResolver::AppRuleEffect> effect) {
    if (effect == appRule_.get()) return;
    appRule_.set(effect);
    reevaluate();
}

void AppState::updateBoostLimit(const ModeResolver::BoostLimit& limit) {
    if (limit == boostLimit_.get()) return;
    boostLimit_.set(limit);
    reevaluate();
}

ModeResolver::Input AppState::resolverInput() const {
    const auto& state = scheduleState_.get();
    std::optional<DisplayMode> overriding = previewMode_.get();
    if (!overriding && override_.get()) overriding = override_.get()->mode;
    return {state ? state->to : DisplayMode::off(), appRule_.get(), overriding, boostLimit_.get(),
            pipeline_.anyDisplaySupportsBoost(), pipeline_.gamma().colourControl()};
}

std::optional<DisplayMode> AppState::nextScheduledMode() const {
    const auto& state = scheduleState_.get();
    if (!state) return std::nullopt;
    std::optional<DisplayMode> mode;
    for (const auto& occurrence : engine().occurrences(state->nextTransition)) {
        if (occurrence.start == state->nextTransition)
            mode = occurrence.keyframe.mode;  // keep the last
    }
    return mode;
}

}  // namespace vesperine
