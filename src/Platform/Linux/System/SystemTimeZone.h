#pragma once

#include <optional>
#include <string>

#include "Platform/Logger.h"
#include "Platform/TimeZoneSource.h"

namespace vesperine {

// The zone the user's session runs in, read as the C library reads it for log times: $TZ when
// set (":Europe/Berlin", "Europe/Berlin", a path into the zone database or to a link into it,
// or a POSIX rule such as "CET-1CEST,M3.5.0,M10.5.0/3"; set but empty is UTC), else the
// target of /etc/localtime, else /etc/timezone, else the zone ICU detects for the host, else
// UTC. Names count only when the system's zone database, which the schedule's calendar reads,
// has them. A TZ that is none of these is logged once, with the zone used instead. Read once
// and cached until `reset`.
class SystemTimeZone final : public TimeZoneSource {
public:
    explicit SystemTimeZone(Logger& logger) : log_(logger, "app") {}

    TimeZone current() const override;
    void reset() override { cached_.reset(); }

    // The zone identifier named by a zoneinfo path or a file's text; none when it names no
    // zone of the database (POSIX rules included).
    static std::optional<std::string> identifierFrom(std::string text);
    // The zone a TZ value sets: a zone named as above or linked to by a path, else the value
    // itself when it is a POSIX rule; none when it is neither.
    static std::optional<std::string> zoneFromTz(const std::string& value);

private:
    Log log_;
    mutable std::optional<TimeZone> cached_;
    mutable bool reportedTz_ = false;
};

}  // namespace vesperine
