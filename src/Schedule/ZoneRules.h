#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace vesperine {

// The offset rules of one time zone, named either as a zone of the system's time-zone
// database ("Europe/Berlin", kept current by the OS) or as a POSIX TZ rule
// ("CET-1CEST,M3.5.0,M10.5.0/3"); anything else is UTC. A database name wins over a rule
// that reads the same ("EST5EDT"), as the C library decides. A rule with a daylight-saving
// name but no dates changes on the US days (second Sunday of March, first of November) at
// 02:00, the usual default; the C library changes on the same days.
//
// The first zone made in a process loads the database's index (a few milliseconds); later
// ones only look the name up. Not copyable. Times are whole seconds since 1970, local times
// seconds since 1970-01-01 00:00 of the wall clock; beyond about 3,000 years either way there
// is no answer.
class ZoneRules {
public:
    explicit ZoneRules(std::string_view identifier);
    ~ZoneRules();

    // Whether `name` is a zone of the system's database.
    static bool isDatabaseZone(std::string_view name);
    // Whether `rule` is a POSIX TZ rule these rules can follow.
    static bool isPosixRule(std::string_view rule);

    // Offset of local time from UTC at `unixSeconds` (daylight saving included).
    std::optional<std::int64_t> offsetAt(std::int64_t unixSeconds);
    // The instant of the wall-clock time `localSeconds`: a time skipped by a jump forward
    // gives the first instant after the gap, a time that occurs twice its first occurrence.
    std::optional<std::int64_t> instantOf(std::int64_t localSeconds);

private:
    struct Rules;  // the zone library's types, kept out of this header
    std::unique_ptr<Rules> rules_;
};

}  // namespace vesperine
