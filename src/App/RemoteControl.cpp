#include "App/RemoteControl.h"

#include <cmath>
#include <cstdio>

#include "App/Preferences.h"
#include "Schedule/Cities.h"
#include "Settings/CoordinateInput.h"

namespace vesperine {

namespace {

Status inRange(DisplayMode::Kind kind, double value) {
    const auto range = strengthRange(kind);
    if (!range) return Status::failure(std::string(label(kind)) + " has no strength");
    if (!(value >= range->lower && value <= range->upper)) {
        char text[128];
        std::snprintf(text, sizeof text, "%s wants a strength from %g to %g, not %g", label(kind),
                      range->lower, range->upper, value);
        return Status::failure(text);
    }
    return success();
}

}  // namespace

RemoteControl::RemoteControl(AppState& state, const AppRules* rules)
    : state_(state), rules_(rules), status_(ControlStatus::of(state, rules)) {
    const auto changed = [this](const auto&) { refresh(); };
    watches_.push_back(state_.resolution().observe(changed));
    watches_.push_back(state_.override().observe(changed));
    watches_.push_back(state_.scheduleState().observe(changed));
    watches_.push_back(state_.previewMode().observe(changed));
    watches_.push_back(state_.appRule().observe(changed));
    watches_.push_back(state_.boostLimit().observe(changed));
    watches_.push_back(state_.store().activeID().observe(changed));
    watches_.push_back(state_.store().custom().observe(changed));
    watches_.push_back(state_.store().location().observe(changed));
    if (rules_) watches_.push_back(rules_->lastExternalApp().observe(changed));
}

Status RemoteControl::showable(DisplayMode::Kind kind) const {
    const auto& pipeline = state_.pipeline();
    if (auto why = ModeResolver::unavailable(kind, pipeline.anyDisplaySupportsBoost(),
                                             pipeline.gamma().colourControl()))
        return Status::failure(*why);
    return success();
}

Status RemoteControl::select(DisplayMode::Kind kind, LifetimeChoice lifetime) {
    if (auto can = showable(kind); !can) return can;
    state_.select(kind, vesperine::lifetime(lifetime, state_.now()));
    return success();
}

Status RemoteControl::setStrength(DisplayMode::Kind kind, double value) {
    if (auto valid = inRange(kind, value); !valid) return valid;
    if (auto can = showable(kind); !can) return can;
    state_.setLevel(value, kind);
    return success();
}

Status RemoteControl::preview(const DisplayMode& mode, double seconds) {
    if (mode.kind() != DisplayMode::Kind::off) {
        if (auto valid = inRange(mode.kind(), mode.strength()); !valid) return valid;
        if (auto can = showable(mode.kind()); !can) return can;
    }
    if (!(seconds > 0 && seconds <= longestPreview)) {
        return Status::failure("a preview lasts more than 0 and at most 60 seconds");
    }
    state_.preview(mode, seconds);
    return success();
}

void RemoteControl::resume() {
    state_.resume();
}

void RemoteControl::reset() {
    state_.resetDisplay();
    if (afterReset) afterReset();
}

Status RemoteControl::setLocation(const Location& location) {
    if (!(std::fabs(location.latitude) <= 90 && std::fabs(location.longitude) <= 180)) {
        return Status::failure("a location lies from -90 to 90 degrees north and from -180 to "
                               "180 degrees east");
    }
    Location named = location;
    // A place without a name is named by its coordinates, as the picker names them.
    if (named.name.empty()) named.name = CoordinateInput::describe(named.latitude, named.longitude);
    const Status saved = state_.store().setLocation(named);
    state_.reevaluate();  // the location in use changed, saved or not
    return saved;
}

Status RemoteControl::clearLocation() {
    const auto city = Cities::guess(state_.timeZones().current());
    const Status saved =
        state_.store().setLocation(city ? std::optional(city->location()) : std::nullopt);
    state_.reevaluate();
    return saved;
}

}  // namespace vesperine
