#include "Guide/TipRules.h"

#include <gtest/gtest.h>

#include <vector>

#include "Support/TestTime.h"

namespace vesperine {
namespace {

constexpr double hour = 3600;
using Spot = std::optional<MenuSpot>;

// The rules as a user meets them, step by step in virtual time: each step donates events
// (or waits, or changes what the menu shows) and says which tip the menu shows afterwards.
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
        {"Off shows no slider", {}, 0, {.hasOverride = true}, MenuSpot::keep},
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
        {"two more openings", {TipEvent::menuOpened, TipEvent::menuOpened}, 0, app, MenuSpot::shortcuts},
        {"a hot key used", {TipEvent::shortcutUsed}, 0, app, MenuSpot::pauseApp},
        {"an app paused", {TipEvent::appPaused}, 0, app, std::nullopt},
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

TEST(TipRules, TheScheduleTabsTipsEndAfterTheirPagesOrWhenClosedOrUsed) {
    struct Case {
        const char* what;
        ScheduleTip tip;
        TipsRecord::TipHistory history;
        bool previewed, enabled, eligible;
    } cases[] = {
        {"the list, fresh", ScheduleTip::scheduleList, {}, false, true, true},
        {"the list after a preview", ScheduleTip::scheduleList, {}, true, true, true},
        {"the list, shown on its last page", ScheduleTip::scheduleList, {2, false}, false, true, true},
        {"the list, pages used up", ScheduleTip::scheduleList, {3, false}, false, true, false},
        {"the list, closed", ScheduleTip::scheduleList, {0, true}, false, true, false},
        {"the list, tips off", ScheduleTip::scheduleList, {}, false, false, false},
        {"the editor, fresh", ScheduleTip::previewStep, {}, false, true, true},
        {"the editor after a preview", ScheduleTip::previewStep, {}, true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TipsRecord record;
        record.scheduleTips[c.tip] = c.history;
        if (c.previewed) record.donate(TipEvent::stepPreviewed, Instant::fromUnix(0));
        EXPECT_EQ(TipRules::isEligible(c.tip, record, c.enabled), c.eligible);
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
