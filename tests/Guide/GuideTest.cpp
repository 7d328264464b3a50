#include "Guide/Guide.h"
#include "Guide/TipRules.h"

#include <gtest/gtest.h>

#include <vector>

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

TEST_F(GuideTest, StartingOverOnRequestOrFromTheFlag) {
    const std::tuple<const char*, bool, bool, bool> cases[] = {
        {"neither", false, false, false},
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

constexpr double hour = 3600;
using Spot = std::optional<MenuSpot>;

// The rules as a user meets them: each step donates events, waits or changes the menu.
TEST(TipRules, OneTipAtATimeInMenuOrderAsTheUserGoesOn) {
    struct Step {
        const char* what;
        std::vector<TipEvent> events;
        double wait = 0;
        TipRules::Parameters parameters{};
        Spot expected;
    };
    const TipRules::Parameters strength{.hasOverride = true, .showsStrength = true};
    const TipRules::Parameters app{.appToPause = true};
    const Step steps[] = {
        {"nothing happened yet", {}, 0, {}, std::nullopt},
        {"first menu opening", {TipEvent::menuOpened}, 0, {}, MenuSpot::modePicker},
        {"a mode picked: override, strength", {TipEvent::modePicked}, 0, strength, MenuSpot::slider},
        {"slider used", {TipEvent::sliderUsed}, 0, strength, MenuSpot::keep},
        {"lifetime changed", {TipEvent::lifetimeChanged}, 0, strength, std::nullopt},
        {"two more openings", {TipEvent::menuOpened, TipEvent::menuOpened}, 0, {}, MenuSpot::reset},
        // With an override the Off hot key resumes the schedule: the tip would say too much.
        {"an override set again", {}, 0, {.hasOverride = true}, std::nullopt},
        {"display reset", {TipEvent::displayReset}, 0, {}, std::nullopt},
        {"boost limited", {}, 0, {.boostLimited = true}, MenuSpot::boostLimit},
        {"an hour later", {}, hour, {}, MenuSpot::scheduleLine},
        {"schedules opened", {TipEvent::schedulesOpened}, 0, {}, std::nullopt},
        {"a day on, no application in front yet", {}, 23 * hour, {}, std::nullopt},
        {"an application was in front", {}, 0, app, MenuSpot::pauseApp},
        {"tips off", {}, 0, {false, true, true, true, true}, std::nullopt},
    };
    TipsRecord record;
    Instant now = Instant::fromUnix(testing_time::noon);
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        now = now + step.wait;
        for (auto event : step.events) record.donate(event, now);
        EXPECT_EQ(TipRules::choose(record, step.parameters, now), step.expected);
    }
}

TEST(TipsRecord, RoundTripsAndSkipsWhatItDoesNotKnow) {
    TipsRecord record;
    record.donate(TipEvent::menuOpened, Instant::fromReferenceDate(100));
    record.donate(TipEvent::menuOpened, Instant::fromReferenceDate(250));
    record.tips[MenuSpot::keep] = {2, true};
    record.scheduleTips[ScheduleTip::previewStep] = {1, false};
    EXPECT_EQ(json::decode<TipsRecord>(json::encode(record).value()).value(), record);
    auto newer = json::decode<TipsRecord>(
        R"({"events":{"somethingNew":{"count":1}},"tips":{"elsewhere":{}},"more":1})");
    ASSERT_TRUE(newer);
    EXPECT_EQ(newer.value(), TipsRecord{});
    for (const char* bad : {R"({"events":{}})", R"({"events":[],"tips":{}})",
                            R"({"events":{"menuOpened":{"count":-1,"first":0,"last":0}},"tips":{}})"}) {
        EXPECT_FALSE(json::decode<TipsRecord>(bad)) << bad;
    }
}

}  // namespace
}  // namespace vesperine
