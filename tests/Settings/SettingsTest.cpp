#include "Settings/CoordinateInput.h"
#include "Settings/ScheduleToday.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <tuple>

#include "Schedule/Cities.h"
#include "Support/TestTime.h"

namespace vesperine {
namespace {

using CoordinateInput::Axis;
using CoordinateInput::Problem;

TEST(CoordinateInput, ReadsWhatPeopleTypeAndOnlyFiniteNumbersInRange) {
    struct Case {
        std::string text;
        Axis axis;
        Problem problem;
        double value = 0;
    } cases[] = {
        {"52.52", Axis::latitude, Problem::none, 52.52},
        {"  -33,8688\t", Axis::latitude, Problem::none, -33.8688},
        {"\u221212.5", Axis::longitude, Problem::none, -12.5},
        {"13.4° W", Axis::longitude, Problem::none, -13.4},
        {"", Axis::latitude, Problem::empty},
        {"nan", Axis::latitude, Problem::notANumber},
        {"1e1", Axis::latitude, Problem::notANumber},
        {"90.0001", Axis::latitude, Problem::outOfRange},
        {"1" + std::string(400, '0'), Axis::latitude, Problem::outOfRange},
        {"0." + std::string(10'000, '0') + "1", Axis::longitude, Problem::none, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 20));
        const auto reading = CoordinateInput::read(c.text, c.axis);
        EXPECT_EQ(reading.problem, c.problem);
        if (c.problem == Problem::none) {
            EXPECT_DOUBLE_EQ(reading.value, c.value);
        }
    }
}

// Each place as typed after "vesperine location": its name and coordinates, or why not.
TEST(CoordinateInput, ReadsAPlaceAsCoordinatesOrACityName) {
    const std::pair<std::string, std::string> cases[] = {
        {"48.85:2.35", "48.85° N, 2.35° E 48.85 2.35"},
        {" -33.9 : -18,4 ", "33.9° S, 18.4° W -33.9 -18.4"},
        {"Paris", "Paris, France 48.8566 2.3522"},
        {"zurich", "Zürich, Switzerland 47.3769 8.5417"},
        {"Washington, D.C., USA", "Washington, D.C., USA 38.9072 -77.0369"},
        {"91:0", "a latitude lies from -90 to 90 degrees, not '91'"},
        {"Atlantis", "no city of the table is called 'Atlantis'; give its latitude and "
                     "longitude instead (48.85:2.35)"},
        {"", "no place given"},
        {"San", "'San' matches 4 cities (San Diego, USA; San Francisco, USA; San Jose, USA; "
                "Santiago, Chile); say which"},
    };
    for (const auto& [text, expected] : cases) {
        const auto place = CoordinateInput::readPlace(text);
        char coordinates[64];
        if (place) std::snprintf(coordinates, sizeof coordinates, " %g %g", place->latitude,
                                 place->longitude);
        EXPECT_EQ(place ? place->name + coordinates : place.error().description, expected);
    }
}

// A found position takes the name of the nearest city within 50 km, never merely the first
// one in range, and keeps its own coordinates; nonsense from the service is refused.
TEST(CoordinateInput, NamesAFoundPositionAfterTheNearestCityWithin50Km) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::tuple<double, double, std::string> cases[] = {
        {48.86, 2.34, "Paris, France"},
        {49.3132, 2.3522, "49.3132° N, 2.3522° E"},  // 50.8 km north
        {37.5, -122.1, "San Jose, USA"},             // San Francisco lies within 50 km too
        {-0.0, 180, "0° N, 180° E"},
        {nan, 2.35, "the location service gave no usable position (latitude nan, longitude 2.35)"},
    };
    for (const auto& [latitude, longitude, expected] : cases) {
        const auto place = CoordinateInput::located(latitude, longitude);
        EXPECT_EQ(place ? place->name : place.error().description, expected) << latitude;
        if (place) {
            EXPECT_EQ(std::pair(place->latitude, place->longitude), std::pair(latitude, longitude));
        }
    }
    // Rounding happens before the side is named (both hemispheres: the place rows above).
    EXPECT_EQ(CoordinateInput::describe(-33.86882, -0.00001), "33.8688° S, 0° E");
}

using testing_time::hhmm;
using testing_time::local;

Keyframe step(TimeAnchor time, DisplayMode mode = DisplayMode::off()) { return {time, mode, 30}; }

std::string shown(const std::string& zone, const ScheduleToday::StepTime& time) {
    if (!time.start) return "none";
    return hhmm(zone, *time.start) + (time.moved ? " moved" : "");
}

// Today is the local day of the schedule's own zone that holds `now`. (Stand-in sun times and
// a step moved by a clock change are the schedule tab's test.)
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

}  // namespace
}  // namespace vesperine
