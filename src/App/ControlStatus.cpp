#include "App/ControlStatus.h"

#include <cmath>

#include "App/AppState.h"
#include "App/MenuRules.h"
#include "Rules/AppRules.h"
#include "Settings/CoordinateInput.h"
#include "Support/SafeText.h"

namespace vesperine {

namespace {

std::int64_t seconds(Instant instant) {
    const double value = std::floor(instant.unixSeconds());
    // An instant the calendar cannot place is shown as none rather than as nonsense.
    if (!std::isfinite(value) || std::abs(value) > 1e11) return 0;
    return static_cast<std::int64_t>(value);
}

}  // namespace

std::string ControlStatus::withStrength(const DisplayMode& mode) {
    // The menu's short words leave Red's intensity to its slider; a terminal has none.
    if (mode.kind() != DisplayMode::Kind::red) return mode.shortDescription();
    const auto shown = mode.shownStrength();
    return shown ? "Red " + std::to_string(*shown) + "%" : "Red";
}

ControlStatus ControlStatus::of(const AppState& state, const AppRules* rules) {
    ControlStatus status;
    const auto& resolution = state.resolution().get();
    status.mode = withStrength(resolution.mode);
    status.kind = rawValue(resolution.mode.kind());
    status.strength = resolution.mode.strength();
    status.limitation = resolution.limitation.value_or("");

    // An input decides when leaving it out would show something else.
    const ModeResolver::Input input = state.resolverInput();
    const ModeResolver::Resolution resolved = ModeResolver::resolve(input);
    const auto decides = [&](auto leaveOut) {
        ModeResolver::Input without = input;
        leaveOut(without);
        return !(ModeResolver::resolve(without) == resolved);
    };
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
    } else if (input.appRule && decides([](auto& i) { i.appRule.reset(); })) {
        status.source = "appRule";
        std::optional<RunningApplication> front;
        if (rules) front = rules->lastExternalApp().get();
        if (front) {
            status.application = front->name.value_or(front->bundleID.value_or(""));
            // Without a rule of its own, the application pauses for its full-screen window.
            if (!rules->rule(front->bundleID)) status.source = "fullScreen";
        }
    }
    if (input.boostLimit.kind() != ModeResolver::BoostLimit::Kind::none &&
        decides([](auto& i) { i.boostLimit = ModeResolver::BoostLimit::none(); })) {
        status.guard = input.boostLimit.reason();
    }
    status.schedule = state.store().active().name;
    if (const auto next = MenuRules::nextChange(state.scheduleState().get(),
                                                state.nextScheduledMode())) {
        status.nextMode = withStrength(next->mode);
        status.nextChange = seconds(next->at);
    }
    if (const auto& location = state.store().location().get())
        status.location = CoordinateInput::describe(*location);
    return status;
}

std::string ControlStatus::describe(
    const std::function<std::string(std::int64_t)>& clockTime) const {
    const auto safe = [](const std::string& text) { return SafeText::forPeople(text); };
    const std::string app = application.empty() ? "the application in front" : safe(application);
    std::string why;
    if (source == "preview") {
        why = "a preview, which ends by itself in a moment";
    } else if (source == "nextChange") {
        why = "a pick by hand, until the next scheduled change";
    } else if (source == "until") {
        why = "a pick by hand, until " + clockTime(until);
    } else if (source == "indefinitely") {
        why = "a pick by hand, until changed (\"vesperine resume\" follows the schedule)";
    } else if (source == "appRule") {
        why = "the rule for " + app + ", while it is in front";
    } else if (source == "fullScreen") {
        why = app + " in front, full screen (\"Pause while a window is full screen\" is on)";
    } else {
        why = "the schedule";
    }
    // The guard's reason is the limitation above; here it is named as what decided.
    if (!guard.empty()) why = "the power guard, over " + why;
    std::string text = "Showing " + safe(mode) + (limitation.empty() ? "" : ": " + safe(limitation));
    text += "\nWhy: " + why + "\nSchedule: " + safe(schedule);
    if (nextMode.empty()) {
        text += "; no change ahead";
    } else {
        text += "; next change at " + clockTime(nextChange) + " to " + safe(nextMode);
    }
    return text + "\n";
}

}  // namespace vesperine
