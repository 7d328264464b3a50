#include "Schedule/ScheduleEngine.h"

#include <gtest/gtest.h>

#include <limits>

#include "Schedule/Presets.h"
#include "Schedule/SolarCalculator.h"
#include "Support/TestTime.h"

namespace vesperine {
namespace {

using testing_time::hhmm;
using testing_time::local;

const Location berlin{"Berlin, Germany", 52.52, 13.405};

Schedule scheduleOf(std::vector<Keyframe> keyframes) { return Schedule{Uuid::random(), "test", std::move(keyframes), false}; }

// Whole states: within a fade, on a tie, where a fade starts; no steps that resolve, no state.
TEST(ScheduleEngine, StatesWithinFadesOnTiesAndAtEdges) {
    using State = ScheduleEngine::State;
    const auto inBerlin = [](int d, int h, int m) {
        return local("Europe/Berlin", 2026, 6, d, h, m);
    };
    const auto at = [](int h, int m) { return local("UTC", 2026, 1, 15, h, m); };
    const Keyframe late{TimeAnchor::clock(22, 0), DisplayMode::warm(3400), 30};
    const Keyframe first{TimeAnchor::clock(8, 0), DisplayMode::warm(3000), 10};
    const Keyframe second{TimeAnchor::clock(8, 0), DisplayMode::red(0.5), 0};
    const Keyframe evening{TimeAnchor::clock(20, 0), DisplayMode::off(), 0};
    const Keyframe never{TimeAnchor::clock(25, 0), DisplayMode::off(), 0};
    const std::vector<Keyframe> lone{late}, tie{first, second, evening}, fade{first, evening};
    const struct Case {
        const char* name;
        std::vector<Keyframe> steps;
        const char* zone;
        Instant now;
        std::optional<State> expected;
    } cases[] = {
        {"a third into a lone step's fade", lone, "Europe/Berlin", inBerlin(10, 22, 10),
         State(late.mode, late.mode, 1.0 / 3.0, inBerlin(10, 22, 0), inBerlin(11, 22, 0),
               inBerlin(10, 22, 30))},
        {"a tie: the later step is current, at once", tie, "UTC", at(8, 0),
         State(first.mode, second.mode, 1.0, at(8, 0), at(20, 0), std::nullopt)},
        {"the instant a fade starts", fade, "UTC", at(8, 0),
         State(evening.mode, first.mode, 0.0, at(8, 0), at(20, 0), at(8, 10))},
        {"no step that resolves (hour 25)", std::vector{never}, "UTC", at(8, 0), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ScheduleEngine(scheduleOf(c.steps), {}, TimeZone{c.zone}).state(c.now),
                  c.expected);
    }
}

// Negative and absurd fade lengths and offsets: no crash, sane results.
TEST(ScheduleEngine, AbsurdStepsGiveSaneStates) {
    constexpr auto most = std::numeric_limits<std::int64_t>::max();
    const Keyframe negative{TimeAnchor::clock(9, 0), DisplayMode::red(1), -30};
    const Keyframe huge{TimeAnchor::solar(SolarEvent::sunset, most), DisplayMode::warm(2000), most};
    const Keyframe evening{TimeAnchor::clock(20, 0), DisplayMode::off(), 0};
    auto state = ScheduleEngine(scheduleOf({negative, huge, evening}), {}, TimeZone{"UTC"})
                     .state(local("UTC", 2026, 1, 15, 10, 0));
    ASSERT_TRUE(state);
    EXPECT_EQ(state->to, DisplayMode::red(1));
    EXPECT_EQ(state->progress, 1.0);
}

// Offsets that carry a solar step onto another local date: each occurrence keeps its own
// day's sunset or sunrise, so the step at 00:30 is the one that belongs to yesterday's sunset.
TEST(ScheduleEngine, SolarStepsCarriedAcrossMidnightKeepTheirOwnDay) {
    const char* zone = "Europe/Berlin";
    // The anchor, evaluated at this local day, hour and minute in June 2026, and the June day
    // whose sun the next step must come from.
    const std::tuple<const char*, TimeAnchor, int, int, int, int> cases[] = {
        {"four hours after sunset, just after midnight", TimeAnchor::solar(SolarEvent::sunset, 240), 11, 0, 30, 10},
        {"six hours before sunrise, late evening", TimeAnchor::solar(SolarEvent::sunrise, -360), 10, 21, 0, 11},
    };
    for (const auto& [name, anchor, d, hour, minute, sunDay] : cases) {
        SCOPED_TRACE(name);
        ScheduleEngine engine(scheduleOf({{anchor, DisplayMode::red(0.5), 0},
                                          {TimeAnchor::clock(12, 0), DisplayMode::off(), 0}}),
                              berlin, TimeZone{zone});
        auto state = engine.state(local(zone, 2026, 6, d, hour, minute));
        ASSERT_TRUE(state);
        auto sun = SolarCalculator::day(local(zone, 2026, 6, sunDay, 12, 0), berlin.latitude,
                                        berlin.longitude, TimeZone{zone});
        const Instant base = anchor.event() == SolarEvent::sunset ? sun.sunset() : sun.sunrise();
        EXPECT_EQ(state->nextTransition, base + anchor.offsetMinutes() * 60.0);
    }
}

// A damaged location (latitude out of range or not finite) must never produce a NaN instant:
// NaN keys break the ordering the sort relies on, and a NaN wake delay could spin the loop.
TEST(ScheduleEngine, DamagedLocationsFallBackToWallClockTimes) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const char* zone = "Europe/Berlin";
    for (double latitude : {91.0, -1000.0, nan, inf, -inf}) {
        for (double longitude : {13.405, nan, inf}) {
            SCOPED_TRACE(testing::Message() << latitude << "," << longitude);
            ScheduleEngine engine(Presets::dayAndNight(), Location{"damaged", latitude, longitude}, TimeZone{zone});
            for (int hour = 0; hour < 24; hour += 3) {
                const Instant now = local(zone, 2026, 6, 10, hour, 0);
                for (const auto& occurrence : engine.occurrences(now)) {
                    ASSERT_TRUE(occurrence.start.isFinite());
                }
                auto state = engine.state(now);
                ASSERT_TRUE(state);
                EXPECT_TRUE(state->lastTransition.isFinite() && state->nextTransition.isFinite());
                EXPECT_TRUE(std::isfinite(state->progress));
            }
            if (std::isnan(latitude) || std::isinf(latitude) || std::isnan(longitude) || std::isinf(longitude)) {
                auto noon = engine.state(local(zone, 2026, 6, 10, 12, 0));
                EXPECT_EQ(noon->lastTransition, local(zone, 2026, 6, 10, 7, 30));  // 07:00 + 30 min
            }
        }
    }
}

// 02:30 is skipped on Berlin's spring-forward night: the step comes at 03:00 CEST, two real
// hours after midnight. (The other nights, and Apia's skipped day: the calendar's test.)
TEST(ScheduleEngine, AStepInTheSkippedHourComesWhenTheClockResumes) {
    const char* zone = "Europe/Berlin";
    ScheduleEngine engine(scheduleOf({{TimeAnchor::clock(2, 30), DisplayMode::warm(2700), 0},
                                      {TimeAnchor::clock(12, 0), DisplayMode::off(), 0}}),
                          {}, TimeZone{zone});
    const Instant midnight = local(zone, 2026, 3, 29, 0, 0);
    auto state = engine.state(midnight + 60);
    ASSERT_TRUE(state);
    EXPECT_EQ(hhmm(zone, state->nextTransition), "03:00");
    EXPECT_EQ(state->nextTransition - midnight, 120 * 60.0);
    EXPECT_EQ(engine.state(state->nextTransition)->to, DisplayMode::warm(2700));
}

// Whole days of every built-in schedule across clock-change nights, polar days and solstices.
TEST(ScheduleEngine, WholeDaysOfTheBuiltInSchedules) {
    struct Day {
        int y, m, d;
    };
    struct Place {
        const char* zone;
        std::optional<Location> location;
        std::vector<Day> days;  // its clock-change nights and the solstices
    } places[] = {
        {"Europe/Berlin", berlin, {{2026, 3, 29}, {2026, 10, 25}, {2026, 6, 21}, {2026, 12, 21}}},
        {"Pacific/Apia", Location{"Apia", -13.83, -171.76}, {{2011, 12, 29}, {2011, 12, 31}}},
        {"Europe/Oslo", Location{"Tromsø, Norway", 69.6492, 18.9553}, {{2026, 5, 19}, {2026, 6, 21}, {2026, 12, 21}}},
        {"UTC", std::nullopt, {{2026, 6, 21}}},
    };
    for (const auto& schedule : Presets::all()) {
        for (const auto& place : places) {
            ScheduleEngine engine(schedule, place.location, TimeZone{place.zone});
            for (const auto& day : place.days) {
                SCOPED_TRACE(testing::Message() << schedule.name << " " << place.zone << " " << day.y << "-"
                                                << day.m << "-" << day.d);
                const Instant start = local(place.zone, day.y, day.m, day.d, 0, 0);
                std::optional<ScheduleEngine::State> previous;
                for (double t = 0; t < 26 * 3600; t += 240) {
                    const Instant now = start + t;
                    auto state = engine.state(now);
                    if (schedule.keyframes.empty()) {
                        ASSERT_FALSE(state);
                        continue;
                    }
                    ASSERT_TRUE(state);
                    ASSERT_GE(state->progress, 0.0);
                    ASSERT_LE(state->progress, 1.0);
                    ASSERT_LE(state->lastTransition, now);
                    ASSERT_GT(state->nextTransition, now);
                    ASSERT_LT(state->nextTransition - now, 2 * 86400.0);
                    ASSERT_EQ(state->isFading(), state->progress < 1.0);
                    if (previous) {
                        ASSERT_GE(state->lastTransition, previous->lastTransition);
                        if (previous->to != state->to) {
                            ASSERT_LE(previous->nextTransition, now);
                        }
                    }
                    previous = state;
                }
            }
        }
    }
}

}  // namespace
}  // namespace vesperine
