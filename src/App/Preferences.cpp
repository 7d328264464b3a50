#include "App/Preferences.h"

#include "Persistence/Stored.h"

namespace vesperine {

Preferences Preferences::load(const DefaultsStore& defaults) {
    return Stored::load(defaultsKey, Preferences{}, defaults);
}

void Preferences::save(DefaultsStore& defaults) const { Stored::save(*this, defaultsKey, defaults); }

std::optional<double> Preferences::strength(DisplayMode::Kind kind) const {
    switch (kind) {
        case DisplayMode::Kind::bright: return boostLevel;
        case DisplayMode::Kind::warm: return warmKelvin;
        case DisplayMode::Kind::red: return redIntensity;
        case DisplayMode::Kind::off: return std::nullopt;
    }
    return std::nullopt;
}

void Preferences::setStrength(DisplayMode::Kind kind, double value) {
    switch (kind) {
        case DisplayMode::Kind::bright: boostLevel = value; break;
        case DisplayMode::Kind::warm: warmKelvin = value; break;
        case DisplayMode::Kind::red: redIntensity = value; break;
        case DisplayMode::Kind::off: break;
    }
}

std::optional<StrengthRange> strengthRange(DisplayMode::Kind kind) {
    switch (kind) {
        // Bright starts at 1.1: a level of 1.0 would be Off under another name.
        case DisplayMode::Kind::bright: return StrengthRange{1.1, 4.0, 0.1};
        case DisplayMode::Kind::warm: return StrengthRange{1200.0, 6500.0, -250.0};
        case DisplayMode::Kind::red: return StrengthRange{0.2, 1.0, 0.1};
        case DisplayMode::Kind::off: return std::nullopt;
    }
    return std::nullopt;
}

DisplayMode preferredMode(DisplayMode::Kind kind, const Preferences& preferences) {
    switch (kind) {
        case DisplayMode::Kind::bright: return DisplayMode::bright(preferences.boostLevel);
        case DisplayMode::Kind::warm: return DisplayMode::warm(preferences.warmKelvin);
        case DisplayMode::Kind::red: return DisplayMode::red(preferences.redIntensity);
        case DisplayMode::Kind::off: return DisplayMode::off();
    }
    return DisplayMode::off();
}

std::optional<double> steppedStrength(DisplayMode::Kind kind, const Preferences& preferences,
                                      bool up) {
    auto range = strengthRange(kind);
    auto current = preferences.strength(kind);
    if (!range || !current) return std::nullopt;
    double value = *current + (up ? range->step : -range->step);
    // Lower bound first, then upper, so a stored value far out of range lands on a bound.
    if (value <= range->lower) value = range->lower;
    if (value > range->upper) value = range->upper;
    return value;
}

Json JsonCodec<Preferences>::encode(const Preferences& preferences) {
    return Json{{"boostLevel", preferences.boostLevel},
                {"warmKelvin", preferences.warmKelvin},
                {"redIntensity", preferences.redIntensity}};
}

Result<Preferences> JsonCodec<Preferences>::decode(const Json& json) {
    auto boost = json::number(json, "boostLevel");
    if (!boost) return boost.error();
    auto kelvin = json::number(json, "warmKelvin");
    if (!kelvin) return kelvin.error();
    auto intensity = json::number(json, "redIntensity");
    if (!intensity) return intensity.error();
    return Preferences{*boost, *kelvin, *intensity};
}

}  // namespace vesperine
