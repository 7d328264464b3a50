// A week of every built-in schedule on a crowded desk: 16 displays, some of them boost-capable
// and of odd gamma sizes, with outputs unplugged and plugged back every three hours and a
// suspend every night. The program runs as it is put together (the app delegate on the
// simulated machine); virtual time makes the week take a few seconds. What must hold: no
// error logged (but for a write to an output just unplugged), every display showing what the
// pipeline shows, and nothing that piles up from one day to the next (timers, observers,
// triggers, log volume, heap).
#include <malloc.h>

#include <gtest/gtest.h>

#include <regex>

#include "Display/DisplayFixture.h"
#include "Platform/Simulated/FixedTimeZone.h"
#include "Platform/Simulated/SimulatedPlatform.h"
#include "Schedule/Presets.h"

namespace vesperine {
namespace {

using namespace testing_display;

// Monday 23 March 2026, 00:00 in Berlin; the week holds the spring change to summer time.
const Instant weekStart = Instant::fromUnix(1'774'220'400);
// Schedule seconds per real second: a day passes in two real minutes, a 30-minute fade in 2.5 s
// (75 frames). Fades, debounces and watchdog ticks keep their real-time lengths.
constexpr double scale = 720;
constexpr int displayCount = 16;
constexpr int hotPlugEveryHours = 3;
// The outputs that come and go, one after another.
constexpr DisplayID firstPlugged = 13;

PlatformScreen desk(DisplayID id) {
    const bool boosts = id % 4 == 1;
    return {id, "Display " + std::to_string(id), {1920.0 * (id - 1), 0, 1920, 1080}, 1.0, id == 1,
            boosts ? 16.0 : 1.0, boosts ? 1.0 + id % 3 : 1.0};
}
std::size_t gammaSize(DisplayID id) {
    const std::size_t sizes[] = {256, 1024, 4096, 256};
    return sizes[id % 4];
}

// What may not grow from one day to the next, taken at the same hour of each day.
struct Footprint {
    std::size_t timers, observers, surfaces, displays, baselines, applied;
    bool boosting;
    std::size_t logLines;  // since the last midnight
    bool operator==(const Footprint&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Footprint& f) {
    return out << "timers " << f.timers << ", observers " << f.observers << ", surfaces "
               << f.surfaces << ", displays " << f.displays << ", baselines " << f.baselines
               << ", applied " << f.applied << ", boosting " << f.boosting << ", log lines "
               << f.logLines;
}

struct Machine {
    explicit Machine(const Schedule& preset) : machine(weekStart) {
        for (DisplayID id = 1; id <= displayCount; ++id) displays.add(desk(id), gammaSize(id));
        (void)ScheduleStore(machine.files, logger, path, zone, machine.time).setActiveID(preset.id);
        app = std::make_unique<AppDelegate>(machine.platform(zone, logger, path), LaunchOptions{},
                                            AppDelegate::ClockSetting{scale, weekStart});
        app->applicationDidFinishLaunching();
    }

    void run(double hours) { machine.time.advanceSeconds(hours * 3600 / scale); }
    double hoursSinceStart() const { return (app->state().now() - weekStart) / 3600; }

    // Every attached display shows what the pipeline shows on it.
    int displaysOffTarget() const {
        int off = 0;
        const auto expected = app->pipeline().gains(app->pipeline().current().get());
        for (const auto& info : app->pipeline().displays().get())
            off += !shows(displays, info.id, expected.at(info.id));
        return off;
    }

    Footprint footprint() const {
        const DisplayPipeline& pipeline = app->pipeline();
        return {machine.time.armedTimers(),         machine.events.observers(),
                std::size_t(machine.surfaces.liveSurfaces()), pipeline.displays()->size(),
                pipeline.gamma().baselines().size(), pipeline.gamma().applied().size(),
                pipeline.isBoosting(),              logger.lines().size()};
    }

    const std::string path = "/data/schedules.json";
    CapturingLogger logger;
    FixedTimeZone zone{"Europe/Berlin"};
    SimulatedPlatform machine;
    SimulatedDisplays& displays = machine.displays;
    std::unique_ptr<AppDelegate> app;
};

// Under the address sanitizer the heap is its allocator's, not malloc's.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool heapIsOurs = false;
#else
constexpr bool heapIsOurs = true;
#endif

TEST(LongRun, AWeekOfEveryBuiltInScheduleOnSixteenDisplaysWithHotPlug) {
    for (const auto& preset : Presets::all()) {
        SCOPED_TRACE(preset.name);
        Machine m(preset);
        ASSERT_TRUE(m.app->state().store().location().get());  // guessed from the zone
        std::vector<Footprint> days;
        std::vector<std::size_t> heap;
        std::size_t unpluggedWrites = 0, offTarget = 0, settledChecks = 0, unplugged = 0;
        std::size_t plugEvent = 0;
        for (int day = 0; day < 7; ++day) {
            for (int slot = 0; slot < 24 / hotPlugEveryHours; ++slot) {
                // Unplug, then plug back at the next slot: the desk is whole at midnight.
                const DisplayID id = firstPlugged + (plugEvent / 2) % 4;
                if (plugEvent++ % 2 == 0) {
                    m.displays.remove(id);
                    ++unplugged;
                } else {
                    m.displays.add(desk(id), gammaSize(id));
                }
                if (slot == 1) m.machine.events.fire(SystemEvent::wake);  // after the night's sleep
                m.run(hotPlugEveryHours);
                if (!m.app->pipeline().isFading()) {
                    ++settledChecks;
                    offTarget += m.displaysOffTarget();
                }
            }
            // An output unplugged mid-fade is written to until the debounced event arrives;
            // that write fails, and is said once.
            static const std::regex unpluggedOne(
                ".* gamma table of Display (\\d+): no such display is attached \\(1001\\)");
            for (const auto& line : m.logger.lines()) {
                std::smatch id;
                if (line.level != LogLevel::error) continue;
                if (std::regex_match(line.message, id, unpluggedOne) &&
                    std::stoul(id[1]) >= firstPlugged)
                    ++unpluggedWrites;
                else
                    ADD_FAILURE() << line.category << ": " << line.message;
            }
            days.push_back(m.footprint());
            m.logger.clear();
            m.machine.surfaces.forgetReleased();
            heap.push_back(mallinfo2().uordblks);
        }
        EXPECT_NEAR(m.hoursSinceStart(), 7 * 24, 1e-6);
        EXPECT_LE(unpluggedWrites, unplugged);
        EXPECT_EQ(offTarget, 0u);
        EXPECT_GT(settledChecks, 7u * 4);
        EXPECT_EQ(unplugged, 7u * 4);
        EXPECT_EQ(days.front().displays, std::size_t(displayCount));
        // Day 1 starts from nothing; from day 2 on every midnight looks the same. The log may vary
        // a little with the length of the day, but not grow with the days.
        for (std::size_t d = 2; d < days.size(); ++d) {
            SCOPED_TRACE("day " + std::to_string(d + 1));
            Footprint expected = days[1];
            expected.logLines = days[d].logLines;
            EXPECT_EQ(days[d], expected);
            EXPECT_LT(days[d].logLines, days[1].logLines + days[1].logLines / 10 + 10);
        }
        if (heapIsOurs) {
            // What varies is container capacity (about a kilobyte); a table or a timer kept per
            // frame would be megabytes by now, one kept per hot-plug several kilobytes.
            EXPECT_LT(double(heap.back()), double(heap[1]) + 8 * 1024)
                << "day 2: " << heap[1] << " bytes, day 7: " << heap.back();
        }
    }
}

}  // namespace
}  // namespace vesperine
