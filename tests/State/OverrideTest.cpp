#include "State/Override.h"

#include <gtest/gtest.h>

namespace vesperine {
namespace {

// Instants on one evening, counted in minutes from 21:00.
Instant at(double minutesAfterNine) { return Instant::fromUnix(1'800'000'000 + 60 * minutesAfterNine); }

TEST(Override, Expiry) {
    using Lifetime = Override::Lifetime;
    const auto mode = DisplayMode::warm(2700);
    const std::tuple<const char*, Override, Instant, std::optional<Instant>, bool> cases[] = {
        {"until, before", {mode, Lifetime::until(at(60)), at(0)}, at(59), {}, false},
        {"until, exactly at the date", {mode, Lifetime::until(at(60)), at(0)}, at(60), {}, true},
        {"next transition, same step", {mode, Lifetime::untilNextTransition(), at(5)}, at(30), at(0), false},
        {"next transition, passed", {mode, Lifetime::untilNextTransition(), at(5)}, at(60), at(60), true},
        {"next transition, step ahead of now", {mode, Lifetime::untilNextTransition(), at(5)}, at(50), at(60), false},
        {"next transition, no schedule", {mode, Lifetime::untilNextTransition(), at(5)}, at(9999), {}, false},
        {"indefinitely", {mode, Lifetime::indefinitely(), at(0)}, at(1e9), at(1e9), false},
    };
    for (const auto& [name, value, now, lastTransition, expired] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(value.isExpired(now, lastTransition), expired);
    }
}

TEST(Override, JsonRoundTripAndStoredForms) {
    const Override values[] = {
        {DisplayMode::warm(2700), Override::Lifetime::untilNextTransition(), Instant::fromReferenceDate(786000000.25)},
        {DisplayMode::off(), Override::Lifetime::indefinitely(), Instant::fromReferenceDate(4e10)},
    };
    for (const auto& value : values) {
        auto text = json::encode(value);
        ASSERT_TRUE(text.ok());
        auto back = json::decode<Override>(*text);
        ASSERT_TRUE(back.ok()) << *text;
        EXPECT_EQ(*back, value) << *text;
    }
    auto stored = json::decode<Override>(
        R"({"mode":{"warm":{"kelvin":2700}},"lifetime":{"until":{"_0":100.5}},"setAt":50})");
    ASSERT_TRUE(stored.ok());
    EXPECT_EQ(stored->lifetime, Override::Lifetime::until(Instant::fromReferenceDate(100.5)));
    EXPECT_EQ(stored->setAt.unixSeconds(), 978307250);
}

TEST(Override, UndecodableFormsFail) {
    const char* bad[] = {
        R"({"mode":{"off":{}},"lifetime":{"indefinitely":{}}})",
        R"({"lifetime":{"indefinitely":{}},"setAt":1})",
        R"({"mode":{"off":{}},"lifetime":{},"setAt":1})",
        R"({"mode":{"off":{}},"lifetime":{"until":{"_0":"soon"}},"setAt":1})",
        R"({"mode":{"off":{}},"lifetime":{"forever":{}},"setAt":1})",
        R"({"mode":{"off":{}},"lifetime":{"indefinitely":{}},"setAt":"yesterday"})",
        R"([])", R"({"mode":)",
    };
    for (const char* text : bad) EXPECT_FALSE(json::decode<Override>(text).ok()) << text;
}

}  // namespace
}  // namespace vesperine
