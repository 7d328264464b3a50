#pragma once

#include <cstdint>
#include <optional>

#include "Schedule/TimeZone.h"
#include "Schedule/ZoneRules.h"
#include "Support/Instant.h"

namespace vesperine {

// Gregorian calendar arithmetic in one time zone (its `ZoneRules`), with the rules the
// schedule needs around clock changes: a wall-clock time skipped by a jump forward resolves to
// the next time that exists (02:30 on a spring-forward night is 03:00), a time that occurs
// twice resolves to its first occurrence, and a time that cannot be formed gives no instant.
//
// Not copyable; cheap enough to make once per schedule evaluation. Non-finite instants, and
// instants more than about 3,000 years from 1970, give no result.
class Calendar {
public:
    explicit Calendar(const TimeZone& zone);
    ~Calendar();
    Calendar(const Calendar&) = delete;
    Calendar& operator=(const Calendar&) = delete;

    const TimeZone& timeZone() const { return zone_; }

    // The first instant of the local day containing `instant`.
    std::optional<Instant> startOfDay(Instant instant);
    // The same wall-clock time `days` local days later (earlier when negative).
    std::optional<Instant> addingDays(Instant instant, long days);
    // The instant of hour:minute:second on the local day containing `day`. Out-of-range
    // fields (hour 25, minute -1) give no result.
    std::optional<Instant> dateBySetting(long hour, long minute, long second, Instant day);
    // Offset of local time from UTC at `instant`, in seconds (DST included).
    std::optional<double> utcOffset(Instant instant);
    // Whole seconds of the local wall-clock time at `instant` since midnight (0 to 86399), or
    // none when the instant is beyond what the calendar can place.
    std::optional<int> secondOfDay(Instant instant);

private:
    // Whole seconds of the local wall-clock time at `instant` since 1970-01-01 00:00 local.
    std::optional<std::int64_t> localSeconds(Instant instant);

    TimeZone zone_;
    ZoneRules rules_;
};

}  // namespace vesperine
