#pragma once

#include <optional>

#include "Platform/TimeZoneSource.h"

namespace vesperine {

// The zone the user's session runs in: $TZ when set (":Europe/Berlin", "Europe/Berlin" or a
// path into the zone database), else the target of /etc/localtime, else /etc/timezone, else
// the zone ICU detects for the host, else UTC. Read once and cached until `reset`.
class SystemTimeZone final : public TimeZoneSource {
public:
    TimeZone current() const override;
    void reset() override { cached_.reset(); }

    // The zone identifier named by a TZ value, a zoneinfo path or a file's text; none when it
    // names no zone we can use (POSIX rules such as "CET-1CEST" included).
    static std::optional<std::string> identifierFrom(std::string text);

private:
    mutable std::optional<TimeZone> cached_;
};

}  // namespace vesperine
