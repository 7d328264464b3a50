#include "Settings/ScheduleToday.h"

#include <gtest/gtest.h>

#include "Support/TestTime.h"

namespace vesperine {
namespace {

using testing_time::hhmm;
using testing_time::local;

Keyframe step(TimeAnchor time, DisplayMode mode = DisplayMode::off()) { return {time, mode, 30}; }

std::string shown(const std::string& zone, const ScheduleToday::StepTime& time) {
    if (!time.start) return "none";
    return hhmm(zone, *time.start) + (time.moved ? " moved" : "");
}

// Today's times are those of the local day of the schedule's own zone that holds `now`, so
// the list and the editor show the steps the user will see today, in the order they come.
// (The stand-in sun times, summaries and a step moved by a clock change are the schedule
// tab's test.)
TEST(ScheduleToday, StepsFallOnTodayInTheSchedulesZoneAndSortByTime) {
    const auto sunset = [](int offset) { return TimeAnchor::solar(SolarEvent::sunset, offset); };
    const auto sunrise = [](int offset) { return TimeAnchor::solar(SolarEvent::sunrise, offset); };
    const Location amsterdam{"Amsterdam", 52.3676, 4.9041};
    struct Case {
        const char* name;
        std::string zone;
        std::optional<Location> location;
        std::vector<Keyframe> steps;
        Instant now;
        std::vector<std::string> times;  // in stored order
        std::vector<std::size_t> order;
    } cases[] = {
        {"late evening still counts as today", "Europe/Amsterdam", amsterdam,
         {step(sunset(0)), step(TimeAnchor::clock(6, 0))},
         local("Europe/Amsterdam", 2026, 6, 21, 23, 59), {"22:08", "06:00"}, {1, 0}},
        {"a time that forms no time of day comes last", "UTC", std::nullopt,
         {step(TimeAnchor::clock(25, 0)), step(TimeAnchor::clock(8, 0))},
         local("UTC", 2026, 6, 10, 9, 0), {"none", "08:00"}, {1, 0}},
        {"equal times keep their stored order", "UTC", std::nullopt,
         {step(TimeAnchor::clock(12, 0)), step(sunrise(300)), step(TimeAnchor::clock(12, 0))},
         local("UTC", 2026, 6, 10, 9, 0), {"12:00", "12:00", "12:00"}, {0, 1, 2}},
        {"an offset that reaches yesterday sorts first", "UTC", std::nullopt,
         {step(TimeAnchor::clock(0, 30)), step(sunrise(-480))},
         local("UTC", 2026, 6, 10, 9, 0), {"00:30", "23:00"}, {1, 0}},
        {"the zone decides which day is today", "Asia/Tokyo", std::nullopt,
         {step(TimeAnchor::clock(23, 0))}, local("UTC", 2026, 6, 10, 16, 0), {"23:00"}, {0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ScheduleEngine engine(Schedule{Uuid::random(), "S", c.steps, false}, c.location,
                                    TimeZone{c.zone});
        const auto times = ScheduleToday::steps(engine, c.now);
        std::vector<std::string> got;
        for (const auto& time : times) got.push_back(shown(c.zone, time));
        EXPECT_EQ(got, c.times);
        EXPECT_EQ(ScheduleToday::order(times), c.order);
        // On the Tokyo day that holds 16:00 UTC, 23:00 local is 14:00 UTC of that day.
        if (c.zone == "Asia/Tokyo") {
            EXPECT_EQ(*times[0].start, local("Asia/Tokyo", 2026, 6, 11, 23, 0));
        }
    }
}

TEST(ScheduleToday, OnlyHoursAndMinutesOfTheDayFormATime) {
    const std::pair<TimeAnchor, bool> cases[] = {
        {TimeAnchor::clock(0, 0), true},    {TimeAnchor::clock(23, 59), true},
        {TimeAnchor::clock(24, 0), false},  {TimeAnchor::clock(-1, 0), false},
        {TimeAnchor::clock(12, 60), false}, {TimeAnchor::clock(12, -1), false},
        {TimeAnchor::solar(SolarEvent::sunset, 9999), true},
    };
    for (const auto& [anchor, forms] : cases) {
        EXPECT_EQ(ScheduleToday::formsTimeOfDay(anchor), forms) << anchor.hour() << ":" << anchor.minute();
    }
}

}  // namespace
}  // namespace vesperine
