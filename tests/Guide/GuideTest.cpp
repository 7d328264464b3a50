#include "Guide/Guide.h"

#include <gtest/gtest.h>

#include "App/AppDelegate.h"
#include "Persistence/Stored.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/FixedTimeZone.h"
#include "Platform/Simulated/SimulatedPlatform.h"
#include "Support/TestTime.h"

namespace vesperine {
namespace {

// The guide inside the program: started by start-up, over the real app state.
class GuideTest : public testing::Test {
protected:
    GuideTest() { machine.displays.add({1, "Screen", {0, 0, 100, 100}, 1, false, 1, 1}); }
    Guide& start(LaunchOptions options = {}) {
        app = std::make_unique<AppDelegate>(machine.platform(zone, logger, "/s.json"), options);
        app->applicationDidFinishLaunching();
        return app->guide();
    }

    FixedTimeZone zone;
    CapturingLogger logger;
    SimulatedPlatform machine{Instant::fromUnix(testing_time::noon)};
    MemoryDefaultsStore& defaults = machine.defaults;
    std::unique_ptr<AppDelegate> app;
};

TEST_F(GuideTest, FollowsTheAppStateAndRemembersAcrossRuns) {
    Guide& guide = start();
    guide.donate(TipEvent::menuOpened);
    guide.donate(TipEvent::modePicked);
    app->state().select(DisplayMode::Kind::warm, Override::Lifetime::untilNextTransition());
    EXPECT_EQ(guide.menuSpot().get(), MenuSpot::slider);  // the state told the guide
    guide.close(MenuSpot::slider);
    EXPECT_EQ(guide.menuSpot().get(), MenuSpot::keep);
    app.reset();
    Guide& again = start();
    EXPECT_EQ(again.menuSpot().get(), MenuSpot::keep);  // the override was stored too
    EXPECT_TRUE(again.record().history(MenuSpot::slider).closed);
}

// Each opening is a view; the switch (stored: the settings window's test) takes the tip of
// this opening away at once.
TEST_F(GuideTest, MenuOpeningsCountAsViews) {
    Guide& guide = start();
    for (int opening = 1; opening <= TipRules::maxViews; ++opening) {
        guide.donate(TipEvent::menuOpened);
        EXPECT_EQ(guide.menuSpot().get(), MenuSpot::modePicker) << opening;
    }
    guide.refreshMenu();  // still the tip of this opening
    EXPECT_EQ(guide.menuSpot().get(), MenuSpot::modePicker);
    guide.donate(TipEvent::menuOpened);
    EXPECT_EQ(guide.menuSpot().get(), MenuSpot::reset);  // opened 4 times by now
    guide.setEnabled(false);
    EXPECT_EQ(guide.menuSpot().get(), std::nullopt);
}

// (The hint's end when the menu opens: MenuBarHintTest.)
TEST_F(GuideTest, ThePauseTipWaitsForAnApplication) {
    Guide& guide = start();
    guide.menuOpened();
    for (auto done : {TipEvent::modePicked, TipEvent::displayReset, TipEvent::schedulesOpened,
                      TipEvent::shortcutUsed}) {
        guide.donate(done);
    }
    machine.time.advanceSeconds(24 * 3600);
    guide.menuOpened();
    guide.menuOpened();
    EXPECT_EQ(guide.menuSpot().get(), std::nullopt);
    machine.workspace.activate(RunningApplication{"vlc", "VLC media player", 42});
    EXPECT_EQ(guide.menuSpot().get(), MenuSpot::pauseApp);
}

// Each page that shows a schedule tab's tip counts; a closed one stays closed across runs.
TEST_F(GuideTest, TheScheduleTabsTipsCountThePagesThatShowThem) {
    Guide& guide = start();
    for (int page = 1; page <= TipRules::maxViews; ++page) {
        EXPECT_EQ(guide.showScheduleTip(ScheduleTip::scheduleList)->title, "Your schedules");
    }
    EXPECT_EQ(guide.showScheduleTip(ScheduleTip::scheduleList), std::nullopt);
    ASSERT_TRUE(guide.showScheduleTip(ScheduleTip::previewStep));
    guide.close(ScheduleTip::previewStep);
    app.reset();
    EXPECT_EQ(start().showScheduleTip(ScheduleTip::previewStep), std::nullopt);
    EXPECT_EQ(app->guide().record().history(ScheduleTip::previewStep).views, 1);
}

TEST_F(GuideTest, StartingOverOnRequestOrFromTheFlag) {
    const std::tuple<const char*, bool, bool, bool> cases[] = {
        {"neither", false, false, false},
        {"the settings' flag", true, false, true},
        {"--reset-tips", false, true, true},
    };
    for (const auto& [what, flag, resetTips, startsOver] : cases) {
        SCOPED_TRACE(what);
        TipsRecord record;
        record.donate(TipEvent::modePicked, machine.time.now());
        ASSERT_TRUE(Stored::save(record, Guide::recordKey, defaults));
        defaults.set(Guide::hintShownKey, true);
        defaults.set(Guide::resetOnLaunchKey, flag);
        LaunchOptions options;
        options.resetTips = resetTips;
        Guide& guide = start(options);
        EXPECT_FALSE(defaults.boolean(Guide::resetOnLaunchKey));
        EXPECT_EQ(defaults.value(Guide::hintShownKey).has_value(), !startsOver);
        EXPECT_EQ(guide.hintShown().get(), !startsOver);
        EXPECT_EQ(guide.record().count(TipEvent::modePicked), startsOver ? 0 : 1);
        app.reset();
    }
}

}  // namespace
}  // namespace vesperine
