#pragma once

#include <optional>

#include "Support/Instant.h"

namespace vesperine {

// The time the schedule is evaluated at: the real clock, or a faster one started at a chosen
// instant, so that a whole day can be watched in minutes. `scale` virtual seconds pass per
// real second. The clock is a plain value; the real time is passed in.
struct ScheduleClock {
    double scale = 1.0;
    Instant realOrigin;
    Instant virtualOrigin;

    // A clock starting now (real time `realNow`) at `start`, or at now when absent.
    static ScheduleClock make(double scale, Instant realNow, std::optional<Instant> start = {});

    Instant now(Instant realNow) const;
    // Real seconds until the schedule clock reaches `date`; never below 0 (a negative or
    // undefined quotient gives 0).
    double realDelay(Instant date, Instant realNow) const;
    // A span of schedule time as real seconds, at least 0.
    double realSpan(double scheduleSeconds) const;

    bool operator==(const ScheduleClock&) const = default;
};

}  // namespace vesperine
