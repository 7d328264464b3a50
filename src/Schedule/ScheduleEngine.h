#pragma once

#include <optional>
#include <vector>

#include "Schedule/Calendar.h"
#include "Schedule/Location.h"
#include "Schedule/Schedule.h"
#include "Schedule/TimeZone.h"

namespace vesperine {

// Turns a schedule into instants and answers: at this instant, which step is current, which
// came before it, how far its fade has got, and when the next step begins. A value made
// afresh for each question; it holds no clock and keeps nothing between calls.
class ScheduleEngine {
public:
    struct Occurrence {
        Instant start;
        Keyframe keyframe;
        // When the fade into this step's mode is complete.
        Instant end() const { return start + static_cast<double>(keyframe.transitionMinutes) * 60.0; }
        bool operator==(const Occurrence&) const = default;
    };

    struct State {
        DisplayMode from;        // the previous step's own mode
        DisplayMode to;          // the current step's mode
        double progress = 1.0;   // 0...1; 1 = the current mode is fully in force
        Instant lastTransition;  // when the current step began
        Instant nextTransition;  // when the next step begins
        std::optional<Instant> fadeEnds;  // present exactly while progress < 1

        bool isFading() const { return fadeEnds.has_value(); }
        bool operator==(const State&) const = default;
    };

    ScheduleEngine(Schedule schedule, std::optional<Location> location, TimeZone timeZone);

    // The instant at which `anchor` falls on the local day of `calendar` containing `day`.
    // Every instant it gives is finite: a solar event that cannot be computed (no location,
    // polar day or night, or coordinates that give no finite answer) falls back to its
    // wall-clock time.
    std::optional<Instant> resolve(const TimeAnchor& anchor, Instant day, Calendar& calendar) const;
    // Every occurrence of every step on the five local days centred on the day of `date`,
    // sorted by start (ties keep day order, then schedule order).
    std::vector<Occurrence> occurrences(Instant date) const;
    // The state at `date`; none without steps or without a step before and after `date`.
    std::optional<State> state(Instant date) const;

    const Schedule& schedule() const { return schedule_; }
    const std::optional<Location>& location() const { return location_; }
    const TimeZone& timeZone() const { return timeZone_; }

private:
    Schedule schedule_;
    std::optional<Location> location_;
    TimeZone timeZone_;
};

}  // namespace vesperine
