#pragma once

#include <string>
#include <string_view>

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

}  // namespace CoordinateInput
}  // namespace vesperine
