#include "App/ControlCommand.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "App/Preferences.h"
#include "Settings/CoordinateInput.h"

namespace vesperine {

namespace {

constexpr std::pair<const char*, ControlCommand::Verb> verbs[] = {
    {"status", ControlCommand::Verb::status}, {"warm", ControlCommand::Verb::warm},
    {"red", ControlCommand::Verb::red},       {"bright", ControlCommand::Verb::bright},
    {"off", ControlCommand::Verb::off},       {"resume", ControlCommand::Verb::resume},
    {"reset", ControlCommand::Verb::reset},   {"location", ControlCommand::Verb::location}};

// Kelvin are typed as they are shown; a level and an intensity as the percent the panel shows.
struct Unit {
    const char* suffix;
    double perCoreUnit;
};
Unit unitOf(DisplayMode::Kind kind) {
    return kind == DisplayMode::Kind::warm ? Unit{"K", 1.0} : Unit{"%", 100.0};
}

std::optional<double> number(std::string text, const char* suffix) {
    if (text.ends_with(suffix) || (suffix[0] == 'K' && text.ends_with('k'))) text.pop_back();
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.'))
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string shown(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

std::optional<ControlCommand::Verb> ControlCommand::verbNamed(const std::string& word) {
    for (const auto& [name, verb] : verbs) {
        if (word == name) return verb;
    }
    return std::nullopt;
}

std::optional<DisplayMode::Kind> ControlCommand::kind() const {
    switch (verb) {
        case Verb::warm: return DisplayMode::Kind::warm;
        case Verb::red: return DisplayMode::Kind::red;
        case Verb::bright: return DisplayMode::Kind::bright;
        case Verb::off: return DisplayMode::Kind::off;
        case Verb::status:
        case Verb::resume:
        case Verb::reset:
        case Verb::location: return std::nullopt;
    }
    return std::nullopt;
}

Result<ControlCommand> ControlCommand::parse(const std::vector<std::string>& words) {
    if (words.empty()) return Error{"no command given"};
    const auto verb = verbNamed(words[0]);
    if (!verb) return Error{"unknown command '" + words[0] + "'"};
    ControlCommand command;
    command.verb = *verb;
    if (*verb == ControlCommand::Verb::location) {
        if (words.size() == 2 && words[1] == "--clear") {
            command.clear = true;
        } else if (words.size() == 2 && words[1] == "--auto") {
            command.automatic = true;
        } else if (words.size() > 1) {
            if (words[1].starts_with("--")) {
                return Error{"location takes a place, --auto or --clear, not '" + words[1] + "'"};
            }
            // "vesperine location New York" as well as "vesperine location 'New York'".
            std::string text = words[1];
            for (std::size_t i = 2; i < words.size(); ++i) text += " " + words[i];
            auto place = CoordinateInput::readPlace(text);
            if (!place) return place.error();
            command.place = std::move(place).value();
        }
        return command;
    }
    const auto kind = command.kind();
    const auto range = kind ? strengthRange(*kind) : std::nullopt;
    const std::size_t allowed = range ? 2 : 1;
    if (words.size() > allowed) {
        return Error{words[0] + (range ? " takes one strength at most" : " takes no argument") +
                     ", not '" + words[allowed] + "'"};
    }
    if (words.size() == 2) {
        const Unit unit = unitOf(*kind);
        const double lower = range->lower * unit.perCoreUnit;
        const double upper = range->upper * unit.perCoreUnit;
        const auto value = number(words[1], unit.suffix);
        // Compared in the core's units: 110 / 100 is the range's own 1.1, 1.1 * 100 is not 110.
        const double strength = value.value_or(0) / unit.perCoreUnit;
        if (!value || strength < range->lower || strength > range->upper) {
            return Error{words[0] + " wants a strength from " + shown(lower) + unit.suffix +
                         " to " + shown(upper) + unit.suffix + ", not '" + words[1] + "'"};
        }
        command.strength = strength;
    }
    return command;
}

}  // namespace vesperine
