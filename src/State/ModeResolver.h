#pragma once

#include <optional>
#include <string>

#include "Platform/DisplayServices.h"
#include "State/DisplayMode.h"

namespace vesperine::ModeResolver {

// What the rule for the application in front asks for.
enum class AppRuleEffect {
    pauseAll,    // show nothing while the application is in front
    pauseBoost,  // show no Bright while the application is in front
};

// The power guard's limit on Bright, on the same scale as a Bright level.
class BoostLimit {
public:
    enum class Kind { cap, disabled, none };

    static BoostLimit cap(double value, std::string reason) {
        return BoostLimit(Kind::cap, value, std::move(reason));
    }
    static BoostLimit disabled(std::string reason) {
        return BoostLimit(Kind::disabled, 0.0, std::move(reason));
    }
    static BoostLimit none() { return BoostLimit(Kind::none, 0.0, {}); }
    BoostLimit() = default;  // none

    Kind kind() const { return kind_; }
    double capValue() const { return value_; }  // meaningful for cap only
    const std::string& reason() const { return reason_; }  // empty for none

    bool operator==(const BoostLimit& other) const {
        if (kind_ != other.kind_) return false;
        if (kind_ == Kind::cap) return value_ == other.value_ && reason_ == other.reason_;
        if (kind_ == Kind::disabled) return reason_ == other.reason_;
        return true;
    }

private:
    BoostLimit(Kind kind, double value, std::string reason)
        : kind_(kind), value_(value), reason_(std::move(reason)) {}
    Kind kind_ = Kind::none;
    double value_ = 0.0;
    std::string reason_;
};

// The mode to show and, when the user's wish was cut back, a line that says why.
struct Resolution {
    DisplayMode mode;
    std::optional<std::string> limitation;
    bool operator==(const Resolution&) const = default;
};

struct Input {
    DisplayMode scheduled;                  // off when there is no schedule state
    std::optional<AppRuleEffect> appRule;   // absent: no rule applies
    std::optional<DisplayMode> override;    // a running preview, else the user's override
    BoostLimit boostLimit;
    bool boostCapable = false;              // whether any attached display can show Bright
    ColourControl control = ColourControl::tables;  // what the desktop lets us change
};

// Combines the inputs in a fixed order: schedule, application rule, override (never paused by
// a rule), what the desktop lets us change, boost limit, display capability. Where the desktop
// lends only its night light, Warm shows through it (said as a limitation, since it is the
// desktop's tint, not ours) and Bright and Red are off. Pure and total.
Resolution resolve(const Input& input);

// Why a mode of `kind` cannot be shown at all here, in a sentence for the person who asked for
// it; none when it can (Off always can). Only what the displays and the desktop allow counts:
// a boost limit passes with the battery or the heat and is no reason to refuse a pick.
std::optional<std::string> unavailable(DisplayMode::Kind kind, bool boostCapable,
                                       ColourControl control);

}  // namespace vesperine::ModeResolver
