#pragma once

#include <optional>

#include "Platform/DefaultsStore.h"
#include "State/DisplayMode.h"
#include "Support/Json.h"

namespace vesperine {

// The strength the user last chose for each kind of mode that has one, so that picking a
// kind brings back its last strength. Values read from storage are kept as stored; the
// ranges below act only where a strength is stepped.
struct Preferences {
    double boostLevel = 2.0;
    double warmKelvin = 3400.0;
    double redIntensity = 0.8;

    static constexpr const char* defaultsKey = "preferences";

    // The stored record, or the defaults when it is absent or does not decode as a whole.
    static Preferences load(const DefaultsStore& defaults);
    // Writes the record; nothing is written when it cannot be encoded.
    void save(DefaultsStore& defaults) const;

    // The remembered strength of `kind` (none for off).
    std::optional<double> strength(DisplayMode::Kind kind) const;
    // Remembers `value` as the strength of `kind`; off has none and is ignored.
    void setStrength(DisplayMode::Kind kind, double value);

    bool operator==(const Preferences&) const = default;
};

// The slider and stepping range of a kind's strength. Stepping "up" adds `step` (for warm the
// step is negative: up means warmer, fewer kelvin).
struct StrengthRange {
    double lower;
    double upper;
    double step;
};
std::optional<StrengthRange> strengthRange(DisplayMode::Kind kind);

// The mode of `kind` at its remembered strength.
DisplayMode preferredMode(DisplayMode::Kind kind, const Preferences& preferences);

// The remembered strength of `kind` moved one step up or down and clamped to the kind's range;
// none for off, where stepping does nothing.
std::optional<double> steppedStrength(DisplayMode::Kind kind, const Preferences& preferences,
                                      bool up);

template <>
struct JsonCodec<Preferences> {
    static Json encode(const Preferences& preferences);
    static Result<Preferences> decode(const Json& json);
};

}  // namespace vesperine
