#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Schedule/Location.h"
#include "Schedule/TimeZone.h"

namespace vesperine::Cities {

struct City {
    std::string name;  // "City, Country": what the user sees, and the city's identity
    double latitude;
    double longitude;
    std::string timeZone;  // IANA identifier

    const std::string& id() const { return name; }
    Location location() const { return Location{name, latitude, longitude}; }
    bool operator==(const City&) const = default;
};

// The 80 cities of the picker, alphabetical by name.
const std::vector<City>& all();

// The cities whose name contains `query` (trimmed of spaces and tabs), ignoring case and
// accents ("zurich" finds Zürich), in table order; all of them for an empty query.
std::vector<City> search(std::string_view query);

// The city that best matches a time zone: among the cities in that zone, the first whose name
// begins with the zone's place name ("America/New_York" → "New York"), else the first one.
std::optional<City> guess(const TimeZone& zone);

// The great-circle distance between two points, in kilometres, on a sphere of the Earth's
// mean radius (off by well under 1 % from the ellipsoid: plenty to name a place by).
double distanceKilometres(double latitudeA, double longitudeA, double latitudeB, double longitudeB);

// The city of the table nearest to a point, if one lies within `radiusKilometres` of it (on
// the edge counts); the first in table order when two are as near.
std::optional<City> nearest(double latitude, double longitude, double radiusKilometres);

}  // namespace vesperine::Cities
