#include "Guide/TipRules.h"

#include <gtest/gtest.h>

#include <vector>

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
    TipRules::Parameters strength{true, true, false, true};
    const Step steps[] = {
        {"nothing happened yet", {}, 0, {}, std::nullopt},
        {"first menu opening", {TipEvent::menuOpened}, 0, {}, MenuSpot::modePicker},
        {"a mode picked: override, strength", {TipEvent::modePicked}, 0, strength, MenuSpot::slider},
        {"Off shows no slider", {}, 0, {true, true, false, false}, MenuSpot::keep},
        {"slider used", {TipEvent::sliderUsed}, 0, strength, MenuSpot::keep},
        {"lifetime changed", {TipEvent::lifetimeChanged}, 0, strength, std::nullopt},
        {"two more openings", {TipEvent::menuOpened, TipEvent::menuOpened}, 0, {}, MenuSpot::reset},
        {"display reset", {TipEvent::displayReset}, 0, {}, std::nullopt},
        {"boost limited", {}, 0, {true, false, true, false}, MenuSpot::boostLimit},
        {"an hour later", {}, hour, {}, MenuSpot::scheduleLine},
        {"schedules opened", {TipEvent::schedulesOpened}, 0, {}, std::nullopt},
        {"a day after the first opening", {}, 23 * hour, {}, MenuSpot::pauseApp},
        {"two more openings", {TipEvent::menuOpened, TipEvent::menuOpened}, 0, {}, MenuSpot::shortcuts},
        {"a hot key used", {TipEvent::shortcutUsed}, 0, {}, MenuSpot::pauseApp},
        {"an app paused", {TipEvent::appPaused}, 0, {}, std::nullopt},
        {"tips off", {}, 0, {false, true, true, true}, std::nullopt},
    };
    TipsRecord record;
    Instant now = Instant::fromUnix(1'781'092'800);
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        now = now + step.wait;
        for (auto event : step.events) record.donate(event, now);
        EXPECT_EQ(TipRules::choose(record, step.parameters, now), step.expected);
    }
}

TEST(TipRules, ATipEndsAfterItsViewsOrWhenClosedButKeepsTheOpeningThatShowsIt) {
    TipsRecord record;
    const Instant now = Instant::fromUnix(1'781'092'800);
    record.donate(TipEvent::menuOpened, now);
    record.tips[MenuSpot::modePicker].views = TipRules::maxViews;
    EXPECT_EQ(TipRules::choose(record, {}, now), std::nullopt);
    EXPECT_EQ(TipRules::choose(record, {}, now, MenuSpot::modePicker), MenuSpot::modePicker);
    record.tips[MenuSpot::modePicker] = {0, true};
    EXPECT_EQ(TipRules::choose(record, {}, now, MenuSpot::modePicker), std::nullopt);
}

TEST(TipsRecord, RoundTripsAndSkipsWhatItDoesNotKnow) {
    TipsRecord record;
    record.donate(TipEvent::menuOpened, Instant::fromReferenceDate(100));
    record.donate(TipEvent::menuOpened, Instant::fromReferenceDate(250));
    record.tips[MenuSpot::keep] = {2, true};
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
