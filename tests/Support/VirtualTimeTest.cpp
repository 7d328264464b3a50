#include "Platform/Simulated/VirtualTime.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace std::chrono_literals;

namespace vesperine {
namespace {

// Neither a jump of the wall clock nor the saturated delay of a far-off wake brings a timer
// forward: that delay must stay in the future, not wrap into the past and fire at once.
TEST(VirtualTime, WallClockJumpsAndTheLongestDelayNeverBringATimerForward) {
    VirtualTime time;
    time.advance(1h);
    int fired = 0;
    auto timer = time.oneShot(Duration::max(), [&] { ++fired; });
    auto repeating = time.repeating(Duration::max(), [&] { ++fired; });
    auto soon = time.oneShot(10s, [&] { ++fired; });
    const Instant before = time.now();
    time.jumpWallClock(3 * 3600);
    time.advance(9s);
    EXPECT_EQ(fired, 0);
    EXPECT_NEAR(time.now() - before, 3 * 3600 + 9, 1e-9);
    soon.cancel();
    time.advance(24h);
    EXPECT_EQ(fired, 0);
    EXPECT_GT(deadlineAfter(1h, Duration::max()), 1h);
    EXPECT_EQ(deadlineAfter(1h, -5s), 1h);
    // Delays read as seconds saturate the same way, and NaN is no delay at all.
    EXPECT_EQ(durationFromSeconds(1.5), std::optional<Duration>(1500ms));
    EXPECT_EQ(durationFromSeconds(-2), std::optional<Duration>(0ns));
    EXPECT_FALSE(durationFromSeconds(std::nan("")));
    EXPECT_EQ(durationFromSeconds(1e300), std::optional<Duration>(Duration::max()));
}

}  // namespace
}  // namespace vesperine
