#include "App/LaunchOptions.h"

#include <gtest/gtest.h>

namespace vesperine {
namespace {

TEST(LaunchOptions, SwitchesAreExactArgumentsAnywhereAndOthersAreIgnored) {
    auto options = LaunchOptions::parse(std::vector<std::string>{
        "-psn_0_1234", "--reset", "--RESET", "--onboarding=yes", "reset", "--simulated",
        "--replay-seconds=12.5"});
    EXPECT_TRUE(options.reset);
    EXPECT_FALSE(options.onboarding);
    EXPECT_TRUE(options.simulated);
    EXPECT_EQ(options.replaySeconds, 12.5);
    EXPECT_FALSE(options.help);

    for (const char* bad : {"--replay-seconds=", "--replay-seconds=-1", "--replay-seconds=0",
                            "--replay-seconds=nan", "--replay-seconds=inf", "--replay-seconds=5s"}) {
        EXPECT_FALSE(LaunchOptions::parse(std::vector<std::string>{bad}).replaySeconds) << bad;
    }
}

}  // namespace
}  // namespace vesperine
