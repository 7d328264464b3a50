#include "Schedule/SolarCalculator.h"

#include <gtest/gtest.h>

#include "Support/TestTime.h"

namespace vesperine {
namespace {

using testing_time::local;
using Kind = SolarCalculator::Day::Kind;

struct Place {
    double latitude, longitude;
    const char* zone;
};

// Minutes between a computed instant and a local "HH:MM" or "HH:MM:SS" on the given date.
double minutesOff(const Place& place, int y, int m, int d, const char* hhmm, Instant got) {
    int h = 0, mi = 0, sec = 0;
    std::sscanf(hhmm, "%d:%d:%d", &h, &mi, &sec);
    return (got - local(place.zone, y, m, d, h, mi, sec)) / 60.0;
}

// Reference times from NOAA's solar calculator (the equations of its published spreadsheet,
// after Meeus, "Astronomical Algorithms"), for these places and dates, to the second. The
// approximate method we use runs late against them by a steady 65 to 90 seconds (most of it
// the 0.0009-day constant in its mean solar noon), so the tolerance is 105 seconds: about the
// minute a user would accept, and far inside a 30-minute fade. Any instant of the local day
// gives the same answer: only that day's local noon counts.
TEST(SolarCalculator, AgreesWithReferenceTimesWithinTwoMinutes) {
    struct Case {
        const char* name;
        Place place;
        int y, m, d;
        const char *sunrise, *sunset;
    } cases[] = {
        {"London, June solstice", {51.5074, -0.1278, "Europe/London"}, 2026, 6, 21, "04:43:05", "21:21:35"},
        {"New York, December solstice", {40.7128, -74.006, "America/New_York"}, 2026, 12, 21, "07:16:35", "16:31:49"},
        {"Sydney, June solstice", {-33.8688, 151.2093, "Australia/Sydney"}, 2026, 6, 21, "06:59:57", "16:53:50"},
        {"Buenos Aires, December solstice", {-34.6037, -58.3816, "America/Argentina/Buenos_Aires"}, 2026, 12, 21,
         "05:37:17", "20:06:05"},
        {"Singapore, March equinox", {1.3521, 103.8198, "Asia/Singapore"}, 2026, 3, 20, "07:09:00", "19:15:29"},
    };
    for (const auto& c : cases) {
        for (int hour : {0, 12, 23}) {
            SCOPED_TRACE(testing::Message() << c.name << " at " << hour);
            auto day = SolarCalculator::day(local(c.place.zone, c.y, c.m, c.d, hour, 30),
                                            c.place.latitude, c.place.longitude, TimeZone{c.place.zone});
            ASSERT_EQ(day.kind(), Kind::normal);
            EXPECT_LE(std::abs(minutesOff(c.place, c.y, c.m, c.d, c.sunrise, day.sunrise())), 1.75);
            EXPECT_LE(std::abs(minutesOff(c.place, c.y, c.m, c.d, c.sunset, day.sunset())), 1.75);
        }
    }
}

TEST(SolarCalculator, PolarDaysAndNights) {
    const std::tuple<const char*, Place, int, int, Kind> cases[] = {
        {"Tromsø midsummer", {69.6492, 18.9553, "Europe/Oslo"}, 6, 21, Kind::alwaysUp},
        {"Tromsø midwinter", {69.6492, 18.9553, "Europe/Oslo"}, 12, 21, Kind::alwaysDown},
        {"McMurdo December", {-77.8419, 166.6863, "Antarctica/McMurdo"}, 12, 21, Kind::alwaysUp},
    };
    for (const auto& [name, place, m, d, kind] : cases) {
        SCOPED_TRACE(name);
        auto day = SolarCalculator::day(local(place.zone, 2026, m, d, 12, 0), place.latitude,
                                        place.longitude, TimeZone{place.zone});
        EXPECT_EQ(day.kind(), kind);
    }
}

}  // namespace
}  // namespace vesperine
