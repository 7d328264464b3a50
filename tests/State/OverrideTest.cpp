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

// Each stored form decodes to its value and encodes back to it; anything else is refused whole.
TEST(Override, DecodesTheStoredFormsOnly) {
    using Lifetime = Override::Lifetime;
    const auto mode = R"({"mode":{"warm":{"kelvin":2700}},"lifetime":)";
    const std::pair<std::string, std::optional<Override>> cases[] = {
        {mode + std::string(R"({"until":{"_0":100.5}},"setAt":50})"),
         Override{DisplayMode::warm(2700), Lifetime::until(Instant::fromReferenceDate(100.5)),
                  Instant::fromUnix(978307250)}},
        {mode + std::string(R"({"untilNextTransition":{}},"setAt":786000000.25})"),
         Override{DisplayMode::warm(2700), Lifetime::untilNextTransition(),
                  Instant::fromReferenceDate(786000000.25)}},
        {R"({"mode":{"off":{}},"lifetime":{"indefinitely":{}},"setAt":4e10})",
         Override{DisplayMode::off(), Lifetime::indefinitely(), Instant::fromReferenceDate(4e10)}},
        {R"({"mode":{"off":{}},"lifetime":{"indefinitely":{}}})", std::nullopt},
        {R"({"lifetime":{"indefinitely":{}},"setAt":1})", std::nullopt},
        {R"({"mode":{"off":{}},"lifetime":{},"setAt":1})", std::nullopt},
        {R"({"mode":{"off":{}},"lifetime":{"until":{"_0":"soon"}},"setAt":1})", std::nullopt},
        {R"({"mode":{"off":{}},"lifetime":{"forever":{}},"setAt":1})", std::nullopt},
        {R"({"mode":{"off":{}},"lifetime":{"indefinitely":{}},"setAt":"yesterday"})", std::nullopt},
        {R"([])", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        auto decoded = json::decode<Override>(text);
        ASSERT_EQ(decoded.ok(), expected.has_value());
        if (!expected) continue;
        EXPECT_EQ(*decoded, *expected);
        EXPECT_EQ(*json::decode<Override>(*json::encode(*decoded)), *expected);
    }
}

}  // namespace
}  // namespace vesperine
