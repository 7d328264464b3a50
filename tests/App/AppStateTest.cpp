#include "App/AppState.h"
#include "App/Preferences.h"
#include "App/RemoteControl.h"
#include "App/StartupSummary.h"

#include <gtest/gtest.h>

#include "Color/Kelvin.h"
#include "Display/FramePacing.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/FixedTimeZone.h"
#include "Platform/Simulated/MemoryDefaultsStore.h"
#include "Platform/Simulated/MemoryFileSystem.h"
#include "Platform/Simulated/SimulatedDisplays.h"
#include "Platform/Simulated/SimulatedEDRSurfaces.h"
#include "Platform/Simulated/VirtualTime.h"
#include "Schedule/ModeBlend.h"
#include "Schedule/Presets.h"
#include "Support/TestTime.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;
using Lifetime = Override::Lifetime;

// The tests run in UTC with a custom schedule of clock steps.
using testing_time::midnight;

// One display that can boost and one that cannot, attached before the pipeline looks.
// A base, so that it is built before the fixture's members.
struct TwoDisplays {
    TwoDisplays() {
        displays.add({1, "Boosting", {0, 0, 100, 100}, 2, true, 16, 4});
        displays.add({2, "Plain", {100, 0, 100, 100}, 1, false, 1, 1});
    }
    SimulatedDisplays displays;
};

class AppStateTest : public testing::Test, protected TwoDisplays {
protected:
    AppStateTest() : time(Instant::fromUnix(midnight + 12 * 3600)) {}
    void useSchedule(std::vector<Keyframe> keyframes) {
        auto added = store.addNew(Schedule{Uuid::random(), "Test", std::move(keyframes), false},
                                  "Test", true);
        ASSERT_EQ(store.active(), added);
    }
    std::unique_ptr<AppState> make() {
        return std::make_unique<AppState>(
            AppState::Services{pipeline, store, defaults, time, time, zone, logger},
            ScheduleClock::make(1.0, time.now()));
    }
    Instant at(int hour, int minute) const {
        return Instant::fromUnix(midnight + hour * 3600 + minute * 60);
    }

    SimulatedEDRSurfaces surfaces;
    VirtualTime time;
    CapturingLogger logger;
    FixedTimeZone zone{"UTC"};
    MemoryFileSystem files;
    MemoryDefaultsStore defaults;
    ScheduleStore store{files, logger, "/data/schedules.json", zone, time};
    DisplayPipeline pipeline{displays, displays, surfaces, time, logger};
};

// Steps at 08:00 (bright 2, 30 min) and 20:00 (warm 3400, 60 min).
std::vector<Keyframe> dayAndEvening() {
    return {{TimeAnchor::clock(8, 0), DisplayMode::bright(2), 30},
            {TimeAnchor::clock(20, 0), DisplayMode::warm(3400), 60}};
}

// A scheduled fade reaches the displays in pieces, each ending on the schedule's blend at its
// end: eased in over 5 s, then even 30 s pieces that overlap by a second, so what is shown stays on
// the schedule and no piece ends (on a frame of its own) before the next takes over.
TEST_F(AppStateTest, AScheduledFadeReachesTheDisplaysInEvenPiecesThatStayOnTheSchedule) {
    useSchedule({{TimeAnchor::clock(8, 0), DisplayMode::warm(6000), 0},
                 {TimeAnchor::clock(20, 0), DisplayMode::warm(2700), 10}});
    const auto blend = [](double progress) {
        return ModeBlend::target(DisplayMode::warm(6000), DisplayMode::warm(2700), progress);
    };
    const auto progress = [&] { return (time.now() - at(20, 0)) / 600.0; };
    time.setWallClock(at(20, 2));
    auto state = make();
    state->reevaluate();
    EXPECT_EQ(pipeline.target().get(), blend(0.2 + 5.0 / 600));
    EXPECT_NEAR(*state->wakeDelay(), 5.01, 1e-9);
    time.advance(5010ms);
    EXPECT_NEAR(*state->wakeDelay(), 30.01, 1e-9);
    EXPECT_NEAR(pipeline.target()->gains.b, blend(progress() + 31.0 / 600).gains.b, 1e-12);
    double worst = 0;
    for (int piece = 0; piece < 3; ++piece) {
        for (int i = 0; i < 299; ++i) {
            time.advance(100ms);
            const RGBGains shown = pipeline.current()->gains, due = blend(progress()).gains;
            worst = std::max({worst, std::abs(shown.r - due.r), std::abs(shown.g - due.g),
                              std::abs(shown.b - due.b)});
        }
        ASSERT_TRUE(pipeline.isFading()) << piece;  // 9 ms before the next piece
        time.advance(100ms);
    }
    // A frame's step behind the even line, which starts a step behind (smooth pieces: 3.9).
    EXPECT_LE(worst, 2.5 * FramePacing::visibleStep);
}

TEST_F(AppStateTest, WhereTheDesktopLendsOnlyItsNightLightNoBlendShowsBright) {
    useSchedule(dayAndEvening());
    time.setWallClock(at(20, 24));  // fading from Bright into Warm
    displays.setColourControl(ColourControl::nightLight);
    auto state = make();
    state->reevaluate();
    EXPECT_EQ(pipeline.target().get(), DisplayMode::warm(3400).target());
}

TEST_F(AppStateTest, SlidersStepsAndToggles) {
    useSchedule({{TimeAnchor::clock(8, 0), DisplayMode::bright(1.8), 0},
                 {TimeAnchor::clock(20, 0), DisplayMode::off(), 0}});
    auto state = make();
    state->reevaluate();
    state->perform(HotkeyAction::stepUp);  // from the remembered 2.0, not the shown 1.8
    ASSERT_TRUE(state->override().get());
    EXPECT_NEAR(state->override().get()->mode.strength(), 2.1, 1e-12);
    EXPECT_EQ(state->override().get()->lifetime, Lifetime::untilNextTransition());
    const Instant setAt = state->override().get()->setAt;

    time.advance(10s);
    state->setLevel(2700, DisplayMode::Kind::warm);  // keeps the lifetime and setAt
    EXPECT_EQ(state->override().get()->setAt, setAt);
    EXPECT_EQ(state->override().get()->mode, DisplayMode::warm(2700));
    EXPECT_EQ(Preferences::load(defaults).warmKelvin, 2700);
    time.runDue();
    EXPECT_EQ(pipeline.current().get(), DisplayMode::warm(2700).target());  // transition 0: at once

    state->perform(HotkeyAction::toggleWarm);
    EXPECT_EQ(state->override().get()->mode, DisplayMode::off());
    state->perform(HotkeyAction::offOrResume);
    EXPECT_FALSE(state->override().get());
    EXPECT_EQ(state->resolution()->mode, DisplayMode::bright(1.8));
    EXPECT_FALSE(defaults.value("override"));
}

TEST_F(AppStateTest, AWakeBeyondWhatATimerHoldsIsArmedNotWrapped) {
    ASSERT_TRUE(store.setActiveID(Presets::manual().id).ok());
    for (double ends : {midnight + 100.0 * 86400 * 365, 1e300}) {
        SCOPED_TRACE(ends);
        auto state = make();
        state->select(DisplayMode::Kind::red, Lifetime::until(Instant::fromUnix(ends)));
        ASSERT_TRUE(state->wakeDelay());
        EXPECT_GT(*state->wakeDelay(), 1e9);
        const std::uint64_t before = time.callbacksRun();
        time.advance(1h);
        // The watchdog every 2 s and the 0.5 s fade's frames; no wake spinning at zero delay.
        EXPECT_LT(time.callbacksRun() - before, 1800u + 40u);
        EXPECT_TRUE(state->override().get());
        EXPECT_TRUE(state->wakeDelay());
    }
}

TEST_F(AppStateTest, StoredOverridesLoadAndDamagedOnesAreDropped) {
    {
        auto state = make();
        state->select(DisplayMode::Kind::warm, Lifetime::indefinitely());
    }
    EXPECT_EQ(make()->override().get()->mode, DisplayMode::warm(3400));
    defaults.setData("override", "{\"mode\":");
    EXPECT_FALSE(make()->override().get());
    EXPECT_FALSE(defaults.value("override"));
    defaults.setData(
        "override",
        R"({"mode":{"red":{"intensity":0.5}},"lifetime":{"until":{"_0":-1e12}},"setAt":0})");
    auto state = make();
    state->reevaluate();
    EXPECT_FALSE(state->override().get());  // long past: expired at the first evaluation
}

// The status names what decides (its other lines: ControlTest, on the real bus); a strength
// or a preview out of range, or a kind no display can show, is refused and changes nothing.
TEST_F(AppStateTest, RemoteControlActsOnTheStateAndPublishesItsStatus) {
    useSchedule(dayAndEvening());
    auto state = make();
    state->reevaluate();
    RemoteControl control(*state);
    const auto shows = [&](const char* mode, const char* source) {
        EXPECT_EQ(control.status()->mode, mode);
        EXPECT_EQ(control.status()->source, source);
    };
    shows("Bright 200%", "schedule");
    EXPECT_EQ(startupSummary(*state),
              "Following the schedule \"Test\"; showing Bright 200%; next change at 20:00 to "
              "Warm 3400K");

    EXPECT_FALSE(control.setStrength(DisplayMode::Kind::warm, 7000).ok());
    EXPECT_FALSE(control.setStrength(DisplayMode::Kind::off, 1).ok());
    EXPECT_FALSE(control.preview(DisplayMode::warm(3000), 61).ok());
    EXPECT_FALSE(control.preview(DisplayMode::red(3), 5).ok());
    shows("Bright 200%", "schedule");

    ASSERT_TRUE(control.setStrength(DisplayMode::Kind::warm, 2700).ok());
    shows("Warm 2700K", "nextChange");
    ASSERT_TRUE(control.select(DisplayMode::Kind::red, LifetimeChoice::oneHour).ok());
    shows("Red 80%", "until");
    EXPECT_EQ(control.status()->until, static_cast<std::int64_t>(at(13, 0).unixSeconds()));
    ASSERT_TRUE(control.preview(DisplayMode::warm(3000), 2).ok());
    time.advance(1999ms);
    shows("Warm 3000K", "preview");
    time.advance(1ms);  // the preview ends on time and the pick returns
    shows("Red 80%", "until");

    // Without the display that boosts, Bright is refused: nothing remembered, nothing shown.
    displays.remove(1);
    pipeline.handle(DisplayMonitor::Event::reconfigured);
    EXPECT_FALSE(control.setStrength(DisplayMode::Kind::bright, 1.5).ok());
    EXPECT_FALSE(control.select(DisplayMode::Kind::bright, LifetimeChoice::nextChange).ok());
    EXPECT_FALSE(control.preview(DisplayMode::bright(2), 5).ok());
    EXPECT_EQ(state->preferences()->boostLevel, 2.0);
    shows("Red 80%", "until");
}

TEST(Preferences, LoadFallsBackAsAWholeRecordAndSaveRefusesNonFinite) {
    const std::tuple<const char*, std::optional<DefaultsValue>, Preferences> cases[] = {
        {"absent", std::nullopt, {}},
        {"stored as is", Data{R"({"boostLevel":99,"warmKelvin":-5,"redIntensity":7})"}, {99, -5, 7}},
        {"members missing", Data{R"({"boostLevel":3})"}, {}},
        {"not a number", Data{R"({"boostLevel":"3","warmKelvin":2700,"redIntensity":0.5})"}, {}},
        {"garbage", Data{"\x01\x02garbage"}, {}},
    };
    for (const auto& [name, stored, expected] : cases) {
        SCOPED_TRACE(name);
        MemoryDefaultsStore defaults;
        if (stored) defaults.set("preferences", *stored);
        EXPECT_EQ(Preferences::load(defaults), expected);
    }
    MemoryDefaultsStore defaults;
    const Preferences chosen{3.3, 2950, 0.4};
    chosen.save(defaults);
    Preferences{std::nan(""), 2950, 0.4}.save(defaults);
    EXPECT_EQ(Preferences::load(defaults), chosen);  // nothing written over the good record
}

TEST(Preferences, SteppingClampsToEachKindsRange) {
    const std::tuple<DisplayMode::Kind, double, bool, double> cases[] = {
        {DisplayMode::Kind::bright, 4.0, true, 4.0}, {DisplayMode::Kind::bright, 0.2, true, 1.1},
        {DisplayMode::Kind::warm, 1300, true, 1200}, {DisplayMode::Kind::warm, 6400, false, 6500},
        {DisplayMode::Kind::warm, 3400, true, 3150}, {DisplayMode::Kind::red, 0.95, true, 1.0},
        {DisplayMode::Kind::red, 0.25, false, 0.2},
    };
    for (const auto& [kind, remembered, up, expected] : cases) {
        SCOPED_TRACE(std::string(rawValue(kind)) + " " + std::to_string(remembered));
        Preferences preferences;
        preferences.setStrength(kind, remembered);
        auto stepped = steppedStrength(kind, preferences, up);
        ASSERT_TRUE(stepped);
        EXPECT_NEAR(*stepped, expected, 1e-9);
    }
    EXPECT_FALSE(steppedStrength(DisplayMode::Kind::off, Preferences{}, true));
}

}  // namespace
}  // namespace vesperine
