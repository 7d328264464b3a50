#pragma once

#include <string>

namespace vesperine {

// A time zone by its IANA identifier ("Europe/Berlin"), or by a POSIX TZ rule
// ("CET-1CEST,M3.5.0,M10.5.0/3") when that is what the session's TZ holds. An identifier that
// is neither a zone of the system's database nor such a rule behaves as UTC.
struct TimeZone {
    std::string identifier = "UTC";

    bool operator==(const TimeZone&) const = default;
};

}  // namespace vesperine
