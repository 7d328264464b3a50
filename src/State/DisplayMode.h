#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Display/DisplayTarget.h"
#include "Support/Json.h"

namespace vesperine {

// What a display should look like. Each kind but `off` carries one strength:
//   bright: level, a multiple of the display's normal white (1.0 = unchanged)
//   warm:   kelvin, a colour temperature
//   red:    intensity, the brightness of the red-only image (1.0 = full red)
// Equality compares the kind and the strength exactly. Strengths are kept as given (a file
// may hold any number); clamps act only where a strength is stepped and in target().
class DisplayMode {
public:
    enum class Kind { bright, warm, red, off };

    static constexpr DisplayMode bright(double level) { return DisplayMode(Kind::bright, level); }
    static constexpr DisplayMode warm(double kelvin) { return DisplayMode(Kind::warm, kelvin); }
    static constexpr DisplayMode red(double intensity) { return DisplayMode(Kind::red, intensity); }
    static constexpr DisplayMode off() { return DisplayMode(Kind::off, 0.0); }

    constexpr DisplayMode() = default;  // off

    constexpr Kind kind() const { return kind_; }
    // The strength of bright, warm and red; 0 for off.
    constexpr double strength() const { return kind_ == Kind::off ? 0.0 : value_; }

    // The target that shows this mode when nothing fades.
    DisplayTarget target() const;
    // "Bright 250%", "Warm 3400K", "Red", "Off".
    std::string shortDescription() const;
    // The strength as it is shown: a level or an intensity in percent (2.5 is 250), kelvin to
    // the nearest 50, each rounded half away from zero; none for off and for values that are
    // not finite or too large to show.
    std::optional<long long> shownStrength() const;

    constexpr bool operator==(const DisplayMode& other) const {
        return kind_ == other.kind_ && (kind_ == Kind::off || value_ == other.value_);
    }

private:
    constexpr DisplayMode(Kind kind, double value) : kind_(kind), value_(value) {}
    Kind kind_ = Kind::off;
    double value_ = 0.0;
};

using DisplayModeKind = DisplayMode::Kind;

inline constexpr DisplayMode::Kind allDisplayModeKinds[] = {
    DisplayMode::Kind::bright, DisplayMode::Kind::warm, DisplayMode::Kind::red,
    DisplayMode::Kind::off};

// "bright", "warm", "red", "off".
const char* rawValue(DisplayMode::Kind kind);
std::optional<DisplayMode::Kind> kindFromRawValue(std::string_view raw);
// "Bright", "Warm", "Red", "Off".
const char* label(DisplayMode::Kind kind);

// Round to the nearest integer, halves away from zero.
double roundHalfAwayFromZero(double value);

template <>
struct JsonCodec<DisplayMode> {
    static Json encode(const DisplayMode& mode);
    static Result<DisplayMode> decode(const Json& json);
};

template <>
struct JsonCodec<DisplayMode::Kind> {
    static Json encode(DisplayMode::Kind kind) { return rawValue(kind); }
    static Result<DisplayMode::Kind> decode(const Json& json);
};

}  // namespace vesperine
