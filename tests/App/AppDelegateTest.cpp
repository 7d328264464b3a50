#include "App/AppDelegate.h"

#include <gtest/gtest.h>

#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/SimulatedPlatform.h"
#include "Schedule/Presets.h"
#include "Support/TestTime.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;
using testing_time::noon;

// Caches the zone like the system's source does, until `reset`.
class CachingZone final : public TimeZoneSource {
public:
    TimeZone current() const override {
        if (!cached_) cached_ = TimeZone{system};
        return *cached_;
    }
    void reset() override { cached_.reset(); }
    std::string system = "UTC";

private:
    mutable std::optional<TimeZone> cached_;
};

class AppDelegateTest : public testing::Test {
protected:
    AppDelegateTest() {
        displays.add({1, "Screen", {0, 0, 100, 100}, 1, false, 1, 1});
        // 08:00 Warm, 20:00 Red, no fades: 12:00 UTC is Warm, 21:00 in Tokyo is Red.
        addSchedule({{TimeAnchor::clock(8, 0), DisplayMode::warm(3000), 0},
                     {TimeAnchor::clock(20, 0), DisplayMode::red(0.5), 0}});
        logger.clear();
    }
    void addSchedule(std::vector<Keyframe> steps) {
        ScheduleStore(files, logger, path, zone, time)
            .addNew(Schedule{Uuid::random(), "Test", std::move(steps), false}, "Test", true);
    }
    std::unique_ptr<AppDelegate> make(LaunchOptions options = {}) {
        return std::make_unique<AppDelegate>(machine.platform(zone, logger, path), options);
    }
    std::size_t evaluations() const { return logger.count("next wake in", "state"); }

    const std::string path = "/data/schedules.json";
    CachingZone zone;
    CapturingLogger logger;
    SimulatedPlatform machine{Instant::fromUnix(noon)};
    SimulatedDisplays& displays = machine.displays;
    SimulatedSystemEvents& events = machine.events;
    VirtualTime& time = machine.time;
    MemoryDefaultsStore& defaults = machine.defaults;
    MemoryFileSystem& files = machine.files;
    SimulatedSingleInstance& instance = machine.instance;
};

TEST_F(AppDelegateTest, NothingReachesTheDisplaysBeforeTheFirstEvaluation) {
    auto app = make();
    // Until this is called the program may end at once (the start-up signal guard).
    int touched = 0;
    app->onAboutToTouchDisplays = [&] {
        ++touched;
        EXPECT_EQ(displays.writes() + displays.restores(), 0);
    };
    app->state().reevaluate();  // as a service reporting its value early would
    time.advance(1s);
    EXPECT_EQ(displays.writes(), 0);
    ASSERT_EQ(app->applicationDidFinishLaunching(), AppDelegate::Outcome::started);
    EXPECT_EQ(touched, 1);
    time.advance(1s);
    EXPECT_LT(displays.table(1).b.back(), 0.9f);
}

TEST_F(AppDelegateTest, EarlyStopsTouchNothingAndSayWhatHappened) {
    using Claim = SingleInstance::Claim;
    using Outcome = AppDelegate::Outcome;
    const Claim done{SingleInstance::Outcome::handedOver, {}};
    const Claim older{SingleInstance::Outcome::refused, "cannot take this request"};
    // The arguments, what the other instance answers (none: under a test harness), the
    // outcome, and the end of the report.
    const std::tuple<std::vector<std::string>, std::optional<Claim>, Outcome, const char*>
        cases[] = {
        {{}, std::nullopt, Outcome::testHarness, ""},
        {{}, done, Outcome::handedOver, "already running; asked it to come to the front"},
        {{}, older, Outcome::handOverFailed, "take this request (quit it and start again)"},
    };
    for (const auto& [arguments, other, outcome, report] : cases) {
        SCOPED_TRACE(report);
        instance.setOtherAnswers(other);
        auto app = std::make_unique<AppDelegate>(machine.platform(zone, logger, path, !other),
                                                 LaunchOptions::parse(arguments).value());
        EXPECT_EQ(app->applicationDidFinishLaunching(), outcome);
        EXPECT_TRUE(app->handOverReport().ends_with(report)) << app->handOverReport();
        EXPECT_EQ(instance.sent().size(), other ? 1u : 0u);
        time.advance(10s);
        app->applicationWillTerminate();
        EXPECT_FALSE(app->didStart());
        EXPECT_EQ(displays.writes(), 0);
        EXPECT_EQ(displays.restores(), 0);
        EXPECT_TRUE(machine.hotkeys.registrations().empty());
        EXPECT_EQ(events.observers(), 0u);
        EXPECT_FALSE(defaults.value("override"));
    }
}

// Installed, a downloaded copy stops start-up before it touches anything; an installed one
// follows the predecessor's schedules from its first start.
TEST_F(AppDelegateTest, TheInstallOfferAndTheMigrationComeBeforeEverythingElse) {
    machine.installer.setRunningPath("/home/alex/Downloads/vesperine");
    machine.alerts.answer("Install");
    EXPECT_EQ(make()->applicationDidFinishLaunching(), AppDelegate::Outcome::relaunching);
    EXPECT_EQ(machine.relaunch.requests(),
              std::vector<std::string>{"/home/alex/.local/bin/vesperine"});
    EXPECT_EQ(displays.writes() + displays.restores(), 0);

    const std::string theirs = "/solvo/schedules.json";
    files.put(theirs, files.read(path).bytes);
    machine.predecessor.scheduleFile = theirs;
    machine.installer.setRunningPath("/home/alex/.local/bin/vesperine");
    files.rename(path, "/elsewhere.json");
    auto app = make();
    EXPECT_EQ(app->applicationDidFinishLaunching(), AppDelegate::Outcome::started);
    EXPECT_EQ(app->state().store().active().name, "Test");
    EXPECT_TRUE(defaults.boolean(LegacyMigration::markerKey));
}

TEST_F(AppDelegateTest, ResetLeavesTheDisplaysAloneAndHoldsOff) {
    auto app = make(LaunchOptions::parse(std::vector<std::string>{"--reset"}).value());
    app->applicationDidFinishLaunching();
    time.advance(10s);
    EXPECT_EQ(displays.writes(), 0);
    ASSERT_TRUE(app->state().override().get());
    EXPECT_EQ(app->state().override().get()->mode, DisplayMode::off());
    EXPECT_EQ(app->state().override().get()->lifetime, Override::Lifetime::indefinitely());
}

TEST_F(AppDelegateTest, DisplayEventsReachThePipelineAndSomeReevaluate) {
    auto app = make();
    app->applicationDidFinishLaunching();
    time.advance(1s);

    // The zone moves to Tokyo (21:00 there): the cached zone is dropped first.
    zone.system = "Asia/Tokyo";
    app->state().reevaluate();
    EXPECT_EQ(app->state().resolution()->mode, DisplayMode::warm(3000));  // still the cache
    events.fire(SystemEvent::timeZoneChanged);
    time.advance(1s);
    EXPECT_EQ(app->state().resolution()->mode, DisplayMode::red(0.5));

    // The clock set back by 12 hours (09:00 in Tokyo), heard as a wake.
    time.jumpWallClock(-12 * 3600.0);
    const std::size_t before = evaluations();
    events.fire(SystemEvent::wake);
    time.advance(1s);
    EXPECT_GT(evaluations(), before);
    EXPECT_EQ(app->state().resolution()->mode, DisplayMode::warm(3000));
}

// The rules, the guard and the detector report to the app state; a program that quits gets
// our tables written again 0.3 s later, in case it put its own back on its way out.
TEST_F(AppDelegateTest, ServicesReachTheAppStateAndQuitsPutTheTablesBack) {
    const RunningApplication player{"vlc", "VLC media player", 7};
    machine.power.set({true, 10, false, ThermalState::nominal});  // before start: handed over
    auto app = make();
    app->applicationDidFinishLaunching();
    time.advance(2s);
    EXPECT_EQ(app->state().boostLimit().get(), ModeResolver::BoostLimit::disabled("battery low"));
    machine.workspace.activate(player);
    EXPECT_EQ(app->state().appRule().get(), ModeResolver::AppRuleEffect::pauseBoost);
    // Our own warm tint is not somebody else's.
    EXPECT_TRUE(app->conflicts().conflicts().get().empty());

    machine.processes.start(42, "redshift");
    app->conflicts().refresh();
    for (auto quit : std::initializer_list<std::function<void()>>{
             [&] { machine.workspace.quit(player); }, [&] { machine.processes.end(42); }}) {
        time.advance(1s);
        const int writes = displays.writes();
        quit();
        time.advance(290ms);
        EXPECT_EQ(displays.writes(), writes);
        time.advance(20ms);
        EXPECT_EQ(displays.writes(), writes + 1);
    }
}

TEST_F(AppDelegateTest, TerminationGivesTheDisplaysBackOnce) {
    auto app = make();
    app->applicationDidFinishLaunching();
    time.advance(2s);
    ASSERT_LT(displays.table(1).b.back(), 0.9f);
    app->applicationWillTerminate();
    EXPECT_EQ(displays.table(1).b.back(), 1.0f);
    EXPECT_EQ(events.observers(), 0u);
    const int restores = displays.restores();
    app->applicationWillTerminate();
    EXPECT_EQ(displays.restores(), restores);
    time.advance(10s);  // no watchdog brings the tint back
    EXPECT_EQ(displays.table(1).b.back(), 1.0f);
}

}  // namespace
}  // namespace vesperine
