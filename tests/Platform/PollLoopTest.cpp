#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

#include "Platform/Linux/PollLoop.h"

using namespace std::chrono_literals;
using vesperine::PollLoop;

TEST(PollLoop, TimersFireInDueOrderAndCancelledOnesDoNot) {
    PollLoop loop;
    std::vector<int> fired;
    auto late = loop.oneShot(30ms, [&] { fired.push_back(3); });
    auto early = loop.oneShot(5ms, [&] { fired.push_back(1); });
    auto cancelled = loop.oneShot(10ms, [&] { fired.push_back(2); });
    loop.post([&] { fired.push_back(0); });
    cancelled.cancel();
    ASSERT_TRUE(loop.runUntil([&] { return fired.size() == 3; }, 2s));
    EXPECT_EQ(fired, (std::vector<int>{0, 1, 3}));
    EXPECT_FALSE(late.isActive());
}

TEST(PollLoop, RepeatingTimerStopsWhenItsHandleIsDropped) {
    PollLoop loop;
    int ticks = 0;
    {
        auto every = loop.repeating(2ms, [&] { ++ticks; });
        loop.runUntil([&] { return ticks >= 3; }, 2s);
    }
    int seen = ticks;
    loop.runFor(20ms);
    EXPECT_EQ(ticks, seen);
}

TEST(PollLoop, WatchedDescriptorWakesTheLoop) {
    PollLoop loop;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::string got;
    auto watch = loop.watchReadable(fds[0], [&] {
        char buffer[16];
        ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    });
    auto writer = loop.oneShot(5ms, [&] { ASSERT_EQ(::write(fds[1], "hi", 2), 2); });
    EXPECT_TRUE(loop.runUntil([&] { return got == "hi"; }, 2s));
    ::close(fds[0]);
    ::close(fds[1]);
}
