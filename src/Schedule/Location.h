#pragma once

#include <string>

#include "Support/Json.h"

namespace vesperine {

// Where sunrise and sunset are computed: degrees north and east (west negative). Kept as
// given, even out of range; only non-finite coordinates are refused where a location is set,
// since JSON cannot hold them.
struct Location {
    std::string name;
    double latitude = 0;
    double longitude = 0;

    bool hasFiniteCoordinates() const;

    bool operator==(const Location&) const = default;
};

template <>
struct JsonCodec<Location> {
    static Json encode(const Location& location);
    static Result<Location> decode(const Json& json);
};

}  // namespace vesperine
