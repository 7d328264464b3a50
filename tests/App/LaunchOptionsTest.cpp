#include "App/LaunchOptions.h"

#include <gtest/gtest.h>

#include "App/LaunchClock.h"

namespace vesperine {
namespace {

TEST(LaunchOptions, SwitchesAreExactArgumentsAnywhereAndOthersAreIgnored) {
    auto options = LaunchOptions::parse(
        std::vector<std::string>{"-psn_0_1234", "--reset", "--RESET", "--onboarding=yes", "reset",
                                 "--simulated", "--replay-seconds=12.5"});
    EXPECT_TRUE(options.reset);
    EXPECT_FALSE(options.onboarding);
    EXPECT_TRUE(options.simulated);
    EXPECT_EQ(options.replaySeconds, 12.5);
    EXPECT_FALSE(options.help);

    for (const char* bad :
         {"--replay-seconds=", "--replay-seconds=-1", "--replay-seconds=0", "--replay-seconds=nan",
          "--replay-seconds=inf", "--replay-seconds=5s"}) {
        EXPECT_FALSE(LaunchOptions::parse(std::vector<std::string>{bad}).replaySeconds) << bad;
    }
}

TEST(LaunchOptions, ClockScaleAndStartTakeOnlyWellFormedValues) {
    struct Case {
        const char* argument;
        std::optional<double> scale;
        std::optional<int> startMinutes;
    } cases[] = {
        {"--clock-scale=60", 60.0, std::nullopt},
        {"--clock-scale=0", std::nullopt, std::nullopt},
        {"--clock-scale=1e400", std::nullopt, std::nullopt},
        {"--clock-start=19:45", std::nullopt, 19 * 60 + 45},
        {"--clock-start=00:00", std::nullopt, 0},
        {"--clock-start=24:00", std::nullopt, std::nullopt},
        {"--clock-start=7:45", std::nullopt, std::nullopt},
        {"--clock-start=07:60", std::nullopt, std::nullopt},
        {"--clock-start=+7:45", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        auto options = LaunchOptions::parse(std::vector<std::string>{c.argument});
        EXPECT_EQ(options.clockScale, c.scale);
        EXPECT_EQ(options.clockStartMinutes, c.startMinutes);
    }
}

TEST(LaunchClock, TheProgramRunsAtTheRealPaceUnlessAskedOtherwise) {
    const TimeZone berlin{"Europe/Berlin"};
    const Instant now = Instant::fromUnix(1'781'089'200);  // 2026-06-10 13:00 in Berlin
    const Instant midnight = Instant::fromUnix(1'781'042'400);
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        double scale;
        std::optional<Instant> start;
    } cases[] = {
        {"the program", {}, 1.0, std::nullopt},
        {"the program, faster from 19:45",
         {"--clock-scale=60", "--clock-start=19:45"},
         60.0,
         midnight + (19 * 60 + 45) * 60.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto setting = launchClock(LaunchOptions::parse(c.arguments), berlin, now);
        EXPECT_DOUBLE_EQ(setting.scale, c.scale);
        EXPECT_EQ(setting.start, c.start);
    }
    EXPECT_EQ(replaySeconds(LaunchOptions{}), 60.0);
}

}  // namespace
}  // namespace vesperine
