#include <gtest/gtest.h>
#include <unistd.h>

#include "Platform/Qt/QtMainLoop.h"
#include "Spin.h"

using namespace vesperine;
using namespace std::chrono_literals;

TEST(QtMainLoop, DelayLongerThanOneTimerPieceIsReArmedNotShortened) {
    QtMainLoop loop(10);  // pieces of 10 ms stand in for QTimer's 24.8-day limit
    const auto start = loop.monotonicNow();
    MonotonicTime firedAt{0};
    int fired = 0;
    auto timer = loop.oneShot(55ms, [&] { ++fired, firedAt = loop.monotonicNow(); });
    ASSERT_TRUE(spin([&] { return fired > 0; }));
    spinFor(30ms);
    EXPECT_EQ(fired, 1);
    EXPECT_GE(firedAt - start, 55ms);
    EXPECT_EQ(loop.timerCallbacksRun(), 1u);  // the re-arming pieces are not callbacks
}

// Cancelled timers never fire, also from inside their own callback; a dropped watch is
// not called again, also when dropped inside its callback.
TEST(QtMainLoop, CancelledTimersAndWatchesStopAlsoFromTheirOwnCallbacks) {
    QtMainLoop loop;
    int ticks = 0, cancelled = 0, posted = 0, selfCancelled = 0;
    auto never = loop.oneShot(5ms, [&] { ++cancelled; });
    never.cancel();
    loop.post([&] { ++posted; });
    Timer once;
    once = loop.repeating(2ms, [&] { ++selfCancelled, once.cancel(); });
    {
        Timer every = loop.repeating(3ms, [&] { ++ticks; });
        ASSERT_TRUE(spin([&] { return ticks >= 3; }));
    }
    const int seen = ticks;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    int reads = 0;
    IoWatch watch;
    watch = loop.watchReadable(fds[0], [&] {
        char c;
        EXPECT_EQ(::read(fds[0], &c, 1), 1);
        ++reads, watch.cancel();
    });
    ASSERT_EQ(::write(fds[1], "ab", 2), 2);
    spin([&] { return reads > 0; });
    spinFor(20ms);
    EXPECT_EQ(ticks, seen);
    EXPECT_EQ(cancelled, 0);
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(selfCancelled, 1);
    EXPECT_EQ(reads, 1);
    ::close(fds[0]);
    ::close(fds[1]);
}
