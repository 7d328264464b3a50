#include "State/ModeResolver.h"

namespace vesperine::ModeResolver {

namespace {

DisplayMode applyRule(const DisplayMode& mode, std::optional<AppRuleEffect> rule) {
    if (!rule) return mode;
    switch (*rule) {
        case AppRuleEffect::pauseAll: return DisplayMode::off();
        case AppRuleEffect::pauseBoost:
            return mode.kind() == DisplayMode::Kind::bright ? DisplayMode::off() : mode;
    }
    return mode;
}

}  // namespace

Resolution resolve(const Input& input) {
    DisplayMode mode = input.override ? *input.override : applyRule(input.scheduled, input.appRule);
    if (mode.kind() == DisplayMode::Kind::off) return {mode, std::nullopt};
    switch (input.control) {
        case ColourControl::tables: break;
        case ColourControl::none:
            return {DisplayMode::off(), "This desktop keeps the display's colour to itself"};
        case ColourControl::nightLight:
            switch (mode.kind()) {
                case DisplayMode::Kind::warm: return {mode, "Warm through the desktop's Night Light"};
                case DisplayMode::Kind::bright:
                    return {DisplayMode::off(), "Bright isn't available on this desktop"};
                case DisplayMode::Kind::red:
                    return {DisplayMode::off(), "Red isn't available on this desktop"};
                case DisplayMode::Kind::off: break;
            }
            break;
    }
    if (mode.kind() != DisplayMode::Kind::bright) return {mode, std::nullopt};

    double level = mode.strength();
    std::optional<std::string> limitation;
    switch (input.boostLimit.kind()) {
        case BoostLimit::Kind::disabled:
            return {DisplayMode::off(), "Boost off: " + input.boostLimit.reason()};
        case BoostLimit::Kind::cap:
            if (input.boostLimit.capValue() < level) {
                level = input.boostLimit.capValue();
                limitation = "Boost limited: " + input.boostLimit.reason();
            }
            break;
        case BoostLimit::Kind::none: break;
    }
    if (!input.boostCapable) return {DisplayMode::off(), "Bright needs an HDR display"};
    return {DisplayMode::bright(level), limitation};
}

std::optional<std::string> unavailable(DisplayMode::Kind kind, bool boostCapable,
                                       ColourControl control) {
    if (kind == DisplayMode::Kind::off) return std::nullopt;
    switch (control) {
        case ColourControl::tables: break;
        case ColourControl::none: return "This desktop keeps the display's colour to itself.";
        case ColourControl::nightLight:
            if (kind == DisplayMode::Kind::warm) return std::nullopt;
            return std::string(label(kind)) + " isn't available on this desktop.";
    }
    if (kind == DisplayMode::Kind::bright && !boostCapable)
        return "Bright needs an HDR display, which this computer doesn't have.";
    return std::nullopt;
}

}  // namespace vesperine::ModeResolver
