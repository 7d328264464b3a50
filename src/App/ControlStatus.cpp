#include "App/ControlStatus.h"

#include <cmath>

#include "App/AppState.h"
#include "App/MenuRules.h"

namespace vesperine {

namespace {

std::int64_t seconds(Instant instant) {
    const double value = std::floor(instant.unixSeconds());
    // An instant the calendar cannot place is shown as none rather than as nonsense.
    if (!std::isfinite(value) || std::abs(value) > 1e11) return 0;
    return static_cast<std::int64_t>(value);
}

}  // namespace

ControlStatus ControlStatus::of(const AppState& state) {
    ControlStatus status;
    const auto& resolution = state.resolution().get();
    status.mode = resolution.mode.shortDescription();
    status.kind = rawValue(resolution.mode.kind());
    status.strength = resolution.mode.strength();
    status.limitation = resolution.limitation.value_or("");
    if (state.previewMode().get()) {
        status.source = "preview";
    } else if (const auto& picked = state.override().get()) {
        switch (picked->lifetime.kind()) {
            case Override::Lifetime::Kind::untilNextTransition:
                status.source = "nextChange";
                break;
            case Override::Lifetime::Kind::until:
                status.source = "until";
                status.until = seconds(picked->lifetime.date());
                break;
            case Override::Lifetime::Kind::indefinitely:
                status.source = "indefinitely";
                break;
        }
    }
    status.schedule = state.store().active().name;
    if (const auto next = MenuRules::nextChange(state.scheduleState().get(),
                                                state.nextScheduledMode())) {
        status.nextMode = next->mode.shortDescription();
        status.nextChange = seconds(next->at);
    }
    return status;
}

std::string ControlStatus::describe(
    const std::function<std::string(std::int64_t)>& clockTime) const {
    std::string text = "Showing " + mode + (limitation.empty() ? "" : ": " + limitation) + "\n";
    text += "Why: ";
    if (source == "preview") {
        text += "a preview, which ends by itself in a moment";
    } else if (source == "nextChange") {
        text += "picked by hand, until the next scheduled change";
    } else if (source == "until") {
        text += "picked by hand, until " + clockTime(until);
    } else if (source == "indefinitely") {
        text += "picked by hand, until changed (\"vesperine resume\" follows the schedule)";
    } else {
        text += "the schedule";
    }
    text += "\nSchedule: " + schedule;
    if (nextMode.empty()) {
        text += "; no change ahead";
    } else {
        text += "; next change at " + clockTime(nextChange) + " to " + nextMode;
    }
    return text + "\n";
}

}  // namespace vesperine
