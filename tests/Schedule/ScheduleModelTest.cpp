#include <gtest/gtest.h>

#include "Schedule/Location.h"
#include "Schedule/Presets.h"
#include "Schedule/Schedule.h"

namespace vesperine {
namespace {

TEST(TimeAnchor, DecodesTheStoredFormsOnly) {
    const std::pair<const char*, std::optional<TimeAnchor>> cases[] = {
        {R"({"solar":{"_0":"sunrise","offsetMinutes":0}})", TimeAnchor::solar(SolarEvent::sunrise, 0)},
        {R"({"clock":{"hour":7,"minute":0},"note":"x"})", TimeAnchor::clock(7, 0)},
        {R"({"clock":{"hour":25,"minute":99}})", TimeAnchor::clock(25, 99)},
        {R"({"clock":{"hour":7,"minute":0},"solar":{"_0":"sunset","offsetMinutes":0}})", std::nullopt},
        {R"({"clock":{"hour":7.5,"minute":0}})", std::nullopt},
        {R"({"clock":{"hour":18446744073709551615,"minute":0}})", std::nullopt},
        {R"({"solar":{"_0":"noon","offsetMinutes":0}})", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        auto decoded = json::decode<TimeAnchor>(text);
        ASSERT_EQ(decoded.ok(), expected.has_value());
        if (expected) {
            EXPECT_EQ(*decoded, *expected);
            EXPECT_EQ(*json::decode<TimeAnchor>(*json::encode(*decoded)), *expected);
        }
    }
    EXPECT_FALSE(json::decode<TimeAnchor>("{}").ok());
}

TEST(Schedule, DecodingIsAllOrNothing) {
    const std::string keyframe =
        R"({"id":"5c1b6a52-0001-4000-8000-00000000000a","time":{"clock":{"hour":22,"minute":0}},"mode":{"warm":{"kelvin":3400}},"transitionMinutes":30})";
    auto schedule = [&](const std::string& keyframes, const char* rest = R"("isBuiltIn":false)") {
        return R"({"id":"5C1B6A52-0009-4000-8000-000000000009","name":"Mine","keyframes":[)" + keyframes + "]," + rest + "}";
    };
    auto good = json::decode<Schedule>(schedule(keyframe + "," + keyframe));
    ASSERT_TRUE(good.ok());
    EXPECT_EQ(good->keyframes.size(), 2u);  // duplicate ids are kept as stored
    EXPECT_EQ(good->keyframes[0].id.string(), "5C1B6A52-0001-4000-8000-00000000000A");
    EXPECT_TRUE(json::decode<Schedule>(schedule(""))->keyframes.empty());

    const std::string bad[] = {
        schedule(keyframe, R"("isBuiltIn":"no")"),
        schedule(keyframe, R"("other":1)"),
        schedule(
            R"({"id":"5C1B6A52-0001-4000-8000-00000000000A","time":{"clock":{"hour":22,"minute":0}},"mode":{"off":{}}})"),
        schedule(
            R"({"id":"not-a-uuid","time":{"clock":{"hour":22,"minute":0}},"mode":{"off":{}},"transitionMinutes":0})"),
        schedule(
            R"({"id":"5C1B6A52-0001-4000-8000-00000000000A","time":{"clock":{"hour":22,"minute":0}},"mode":{"off":{}},"transitionMinutes":1e400})"),
    };
    for (const auto& text : bad) EXPECT_FALSE(json::decode<Schedule>(text).ok()) << text;
}

TEST(Schedule, BuiltInsRoundTripAndEncodeNoNonFiniteNumbers) {
    for (const auto& builtIn : Presets::all()) {
        auto text = json::encode(builtIn);
        ASSERT_TRUE(text.ok());
        EXPECT_EQ(*json::decode<Schedule>(*text), builtIn);
    }
    EXPECT_NE(json::encode(Presets::dayAndNight())->find("\"5C1B6A52-0001-4000-8000-000000000001\""),
              std::string::npos);
    Schedule damaged{Uuid::random(), "x", {{TimeAnchor::clock(1, 0), DisplayMode::warm(std::nan("")), 0}}, false};
    EXPECT_FALSE(json::encode(damaged).ok());
    EXPECT_FALSE(json::encode(Location{"x", std::numeric_limits<double>::infinity(), 0}).ok());
    EXPECT_EQ(*json::decode<Location>(R"({"name":"Far","latitude":91,"longitude":-1000})"),
              (Location{"Far", 91, -1000}));  // kept as stored
}

}  // namespace
}  // namespace vesperine
