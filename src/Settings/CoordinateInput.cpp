#include "Settings/CoordinateInput.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "Schedule/Cities.h"

namespace vesperine::CoordinateInput {

namespace {

constexpr std::string_view minusSign = "\u2212", degreeSign = "\u00B0";

std::string_view trimmed(std::string_view text) {
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    return text;
}

bool consumePrefix(std::string_view& text, std::string_view prefix) {
    if (!text.starts_with(prefix)) return false;
    text.remove_prefix(prefix.size());
    return true;
}

bool consumeSuffix(std::string_view& text, std::string_view suffix) {
    if (!text.ends_with(suffix)) return false;
    text.remove_suffix(suffix.size());
    return true;
}

// The hemisphere letter at the end: +1 or -1, 0 without one.
int hemisphere(std::string_view& text, Axis axis) {
    if (text.empty()) return 0;
    const char letter = static_cast<char>(text.back() & ~0x20);  // upper case
    const char positive = axis == Axis::latitude ? 'N' : 'E';
    const char negative = axis == Axis::latitude ? 'S' : 'W';
    if (letter != positive && letter != negative) return 0;
    text.remove_suffix(1);
    text = trimmed(text);
    return letter == positive ? 1 : -1;
}

std::string fourDecimals(double value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    std::string text(buffer, result.ptr);
    while (text.ends_with('0')) text.pop_back();
    if (text.ends_with('.')) text.pop_back();
    return text == "-0" ? "0" : text;
}

}  // namespace

Reading read(std::string_view text, Axis axis) {
    text = trimmed(text);
    if (text.empty()) return {0, Problem::empty};
    const int letter = hemisphere(text, axis);
    if (consumeSuffix(text, degreeSign)) text = trimmed(text);
    bool negative = false;
    if (consumePrefix(text, "-") || consumePrefix(text, minusSign)) {
        negative = true;
    } else {
        consumePrefix(text, "+");
    }
    // Digits with at most one separator, and at least one digit.
    std::string number;
    bool separator = false, digits = false;
    std::size_t decimals = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digits = true;
            // Digits past the twentieth decimal change nothing a double can hold; dropping
            // them keeps a long tail of zeros from reading as an underflow.
            if (separator && ++decimals > 20) continue;
            number += c;
        } else if ((c == '.' || c == ',') && !separator) {
            separator = true;
            number += '.';
        } else {
            return {0, Problem::notANumber};
        }
    }
    if (!digits || (letter != 0 && negative)) return {0, Problem::notANumber};
    double value = 0;
    const auto parsed = std::from_chars(number.data(), number.data() + number.size(), value);
    if (parsed.ec == std::errc::result_out_of_range) return {0, Problem::outOfRange};
    if (parsed.ec != std::errc() || !std::isfinite(value)) return {0, Problem::notANumber};
    if (negative || letter < 0) value = -value;
    const double limit = axis == Axis::latitude ? 90 : 180;
    if (value < -limit || value > limit) return {0, Problem::outOfRange};
    return {value, Problem::none};
}

std::string describe(double latitude, double longitude) {
    auto part = [](double value, const char* positive, const char* negative) {
        const std::string digits = fourDecimals(std::fabs(value));
        return digits + "° " + (value < 0 && digits != "0" ? negative : positive);
    };
    return part(latitude, "N", "S") + ", " + part(longitude, "E", "W");
}

std::string describe(const Location& location) {
    const std::string coordinates = describe(location.latitude, location.longitude);
    return location.name == coordinates ? coordinates : location.name + " (" + coordinates + ")";
}

Result<Location> readPlace(std::string_view text) {
    text = trimmed(text);
    if (text.empty()) return Error{"no place given"};
    // Two numbers: split at the colon, else at the only comma.
    std::size_t split = text.find(':');
    if (split == std::string_view::npos && text.find(',') == text.rfind(','))
        split = text.find(',');
    if (split != std::string_view::npos) {
        const auto latitude = read(text.substr(0, split), Axis::latitude);
        const auto longitude = read(text.substr(split + 1), Axis::longitude);
        const auto quoted = [&](Axis axis) {
            return "'" + std::string(trimmed(axis == Axis::latitude ? text.substr(0, split)
                                                                     : text.substr(split + 1))) +
                   "'";
        };
        if (latitude.problem == Problem::outOfRange) {
            return Error{"a latitude lies from -90 to 90 degrees, not " + quoted(Axis::latitude)};
        }
        if (longitude.problem == Problem::outOfRange) {
            return Error{"a longitude lies from -180 to 180 degrees, not " +
                         quoted(Axis::longitude)};
        }
        if (latitude.problem == Problem::none && longitude.problem == Problem::none) {
            return Location{describe(latitude.value, longitude.value), latitude.value,
                            longitude.value};
        }
        // Not two numbers: perhaps a city's name with its comma ("Paris, France").
    }
    const auto found = Cities::search(text);
    if (found.size() == Cities::all().size() || found.empty()) {
        return Error{"no city of the table is called '" + std::string(text) +
                     "'; give its latitude and longitude instead (48.85:2.35)"};
    }
    if (found.size() == 1) return found.front().location();
    std::string names;
    for (std::size_t i = 0; i < found.size() && i < 5; ++i)
        names += (i ? "; " : "") + found[i].name;
    if (found.size() > 5) names += "; …";
    return Error{"'" + std::string(text) + "' matches " + std::to_string(found.size()) +
                 " cities (" + names + "); say which"};
}

Result<Location> located(double latitude, double longitude) {
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || std::fabs(latitude) > 90 ||
        std::fabs(longitude) > 180) {
        return Error{"the location service gave no usable position (latitude " +
                     fourDecimals(latitude) + ", longitude " + fourDecimals(longitude) + ")"};
    }
    const auto city = Cities::nearest(latitude, longitude, nearbyCityKilometres);
    return Location{city ? city->name : describe(latitude, longitude), latitude, longitude};
}

}  // namespace vesperine::CoordinateInput
