#pragma once

#include <string>
#include <string_view>

#include "Schedule/Location.h"
#include "Support/Result.h"

namespace vesperine {

// Latitude and longitude as people type them into the Location settings: an optional sign
// ("+", "-" or the minus sign "−"), digits with at most one decimal point or comma, an
// optional degree sign and, instead of the sign, the hemisphere's letter ("52.5 N",
// "13,4° W"). Nothing else reads as a number, so "nan", "inf", "1e999" and hexadecimal are
// refused, and the value is always finite. Latitude must lie within −90...90, longitude
// within −180...180 (both ends included). Independent of the C locale.
namespace CoordinateInput {

enum class Axis { latitude, longitude };
enum class Problem { none, empty, notANumber, outOfRange };

struct Reading {
    double value = 0;  // meaningful only without a problem
    Problem problem = Problem::none;
};

Reading read(std::string_view text, Axis axis);

// "52.52° N, 13.405° E": up to four decimals, south and west without a sign.
std::string describe(double latitude, double longitude);
// "Paris, France (48.8566° N, 2.3522° E)"; only the coordinates for a place named by them.
std::string describe(const Location& location);

// A place as typed on the command line: latitude and longitude joined by a colon or a comma
// ("48.85:2.35", "-33.9,18.4"; with a comma the numbers take a decimal point), each read as
// above, or else a name that finds one city of the table (Cities::search). Fails with one
// line that says why: a number out of range, no city, or which cities the name finds.
Result<Location> readPlace(std::string_view text);

// How near a city of the table must be for a found position to take its name.
inline constexpr double nearbyCityKilometres = 50;

// A position the machine's location service found, as it is stored: named after the nearest
// city of the table within nearbyCityKilometres ("Paris, France"), else by its coordinates,
// and kept at the coordinates found (they are nearer the truth than the city's). Fails, with
// a line that says so, for coordinates that are not finite or out of range: a service that
// answers nonsense must not move the sunrise.
Result<Location> located(double latitude, double longitude);

}  // namespace CoordinateInput
}  // namespace vesperine
