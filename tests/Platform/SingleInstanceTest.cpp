#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <filesystem>

#include "Platform/Linux/LockFileSingleInstance.h"
#include "Platform/Linux/PollLoop.h"
#include "Platform/Simulated/CapturingLogger.h"

using namespace vesperine;
using namespace std::chrono_literals;

namespace {

std::size_t openDescriptors() {
    std::size_t n = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++n;
    }
    return n;
}

struct TempDir {
    std::string path;
    TempDir() {
        char pattern[] = "/tmp/vesperine-instance-XXXXXX";
        path = ::mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
};

}  // namespace

TEST(SingleInstance, LaterLaunchesActivateTheFirstAndLeaveNoDescriptorsBehind) {
    TempDir dir;
    PollLoop loop;
    CapturingLogger logger;
    LockFileSingleInstance first(loop, logger, dir.path, "com.example.test");
    int activations = 0;
    first.setOnActivateRequest([&] { ++activations; });
    ASSERT_TRUE(first.claimOrActivateOther());

    const std::size_t before = openDescriptors();
    for (int i = 0; i < 100; ++i) {
        LockFileSingleInstance later(loop, logger, dir.path, "com.example.test");
        EXPECT_FALSE(later.claimOrActivateOther());
        loop.runUntil([&] { return activations == i + 1; }, 2s);
    }
    EXPECT_EQ(activations, 100);
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_TRUE(logger.lines().empty());
}

TEST(SingleInstance, TheLockIsFreeAgainOnceTheHolderIsGone) {
    TempDir dir;
    PollLoop loop;
    CapturingLogger logger;
    {
        LockFileSingleInstance holder(loop, logger, dir.path, "com.example.test");
        ASSERT_TRUE(holder.claimOrActivateOther());
    }
    LockFileSingleInstance next(loop, logger, dir.path, "com.example.test");
    EXPECT_TRUE(next.claimOrActivateOther());
}
