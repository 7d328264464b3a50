#include "App/MenuRules.h"

#include <algorithm>
#include <cmath>

#include "App/Preferences.h"
#include "State/ModeResolver.h"

namespace vesperine::MenuRules {

const char* trayIconName(DisplayMode::Kind kind) {
    switch (kind) {
        case DisplayMode::Kind::bright:
            return "com.brevan.vesperine-bright-symbolic";
        case DisplayMode::Kind::warm:
            return "com.brevan.vesperine-warm-symbolic";
        case DisplayMode::Kind::red:
            return "com.brevan.vesperine-red-symbolic";
        case DisplayMode::Kind::off:
            return "com.brevan.vesperine-off-symbolic";
    }
    return "com.brevan.vesperine-off-symbolic";
}

bool isSelectable(DisplayMode::Kind kind, bool anyDisplaySupportsBoost) {
    return !ModeResolver::unavailable(kind, anyDisplaySupportsBoost, ColourControl::tables);
}

std::optional<NextChange> nextChange(const std::optional<ScheduleEngine::State>& state,
                                     const std::optional<DisplayMode>& nextMode) {
    if (!state || !nextMode) return std::nullopt;
    return NextChange{*nextMode, state->nextTransition};
}

bool needsLocation(const Schedule& active, const std::optional<Location>& location) {
    if (location) return false;
    return std::any_of(active.keyframes.begin(), active.keyframes.end(),
                       [](const Keyframe& k) { return k.time.kind() == TimeAnchor::Kind::solar; });
}

std::optional<Slider> slider(DisplayMode::Kind kind) {
    const auto range = strengthRange(kind);
    if (!range) return std::nullopt;
    // Levels and intensities by the percent their label shows; kelvin one by one, stepped by
    // the 50 K their label rounds to.
    const bool kelvin = kind == DisplayMode::Kind::warm;
    Slider slider;
    slider.perUnit = kelvin ? 1 : 100;
    slider.minimum = static_cast<int>(std::lround(range->lower * slider.perUnit));
    slider.maximum = static_cast<int>(std::lround(range->upper * slider.perUnit));
    slider.reversed = range->step < 0;
    slider.singleStep = kelvin ? 50 : 1;
    slider.pageStep = kelvin ? 500 : 10;
    return slider;
}

int position(const Slider& slider, double strength) {
    const double scaled = strength * slider.perUnit;
    if (!(scaled >= slider.minimum)) return slider.minimum;  // also not a number
    if (scaled >= slider.maximum) return slider.maximum;
    return static_cast<int>(std::lround(scaled));
}

double strength(const Slider& slider, int position) {
    return std::clamp(position, slider.minimum, slider.maximum) / slider.perUnit;
}

std::optional<long long> boostNotePercent(double boostLevel, std::optional<double> ceiling) {
    if (!ceiling || !(boostLevel > *ceiling)) return std::nullopt;
    return static_cast<long long>(roundHalfAwayFromZero(*ceiling * 100.0));
}

LifetimeChoice keepChoice(const Override::Lifetime& lifetime) {
    switch (lifetime.kind()) {
        case Override::Lifetime::Kind::untilNextTransition:
            return LifetimeChoice::nextChange;
        case Override::Lifetime::Kind::until:
            return LifetimeChoice::oneHour;
        case Override::Lifetime::Kind::indefinitely:
            return LifetimeChoice::untilOff;
    }
    return LifetimeChoice::untilOff;
}

}  // namespace vesperine::MenuRules
