#pragma once

#include <string>

namespace vesperine {

// A time zone by its IANA identifier ("Europe/Berlin"). An identifier the zone database does
// not know behaves as UTC.
struct TimeZone {
    std::string identifier = "UTC";

    bool operator==(const TimeZone&) const = default;
};

}  // namespace vesperine
