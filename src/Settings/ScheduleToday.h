#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "Schedule/ScheduleEngine.h"
#include "State/DisplayMode.h"

namespace vesperine::ScheduleToday {

// Where one step of a schedule falls on the current local day, as the schedule list and the
// editor show it.
struct StepTime {
    // The step's time today; none when its clock time forms no time of day (hour 25) or the
    // calendar cannot place it.
    std::optional<Instant> start;
    // A clock step whose wall time a clock change skipped today: `start` is the next time that
    // exists (02:30 on a spring-forward night starts at 03:00).
    bool moved = false;
};

// The time of each step of the engine's schedule on the local day (in the engine's zone)
// that contains `now`, with the engine's location, in the schedule's stored order.
std::vector<StepTime> steps(const ScheduleEngine& engine, Instant now);

// The indices of `times` in order of their starts; steps without a time today come last, and
// steps at the same time keep their stored order.
std::vector<std::size_t> order(const std::vector<StepTime>& times);

// One item of a schedule's one-line summary: the step's mode and its time today.
struct SummaryItem {
    DisplayMode mode;
    std::optional<Instant> start;
    bool operator==(const SummaryItem&) const = default;
};
// The summary's items in order of today's times; empty for a schedule without steps.
std::vector<SummaryItem> summary(const ScheduleEngine& engine, Instant now);

// Whether a clock time's hour and minute form a time of day (0:00 to 23:59). Sunrise and
// sunset anchors always do.
bool formsTimeOfDay(const TimeAnchor& anchor);

// The wall-clock time of `instant` in `zone`, as hour and minute; none when the calendar
// cannot place it.
struct WallTime {
    int hour = 0;
    int minute = 0;
    bool operator==(const WallTime&) const = default;
};
std::optional<WallTime> wallTime(Instant instant, const TimeZone& zone);

}  // namespace vesperine::ScheduleToday
