// Relaunch by exec and the end of other instances, on real processes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>

#include <fstream>
#include <iterator>

#include "Platform/Linux/Process/ExecRelaunch.h"
#include "Platform/Linux/Instance/RunningInstances.h"
#include "Platform/Linux/Process/RunningProgram.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Support/ChildProcess.h"
#include "Support/TempFolder.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;

TEST(ExecRelaunch, TheNewProgramGetsTheArgumentsAndNothingElseOfTheOldProcess) {
    // The shell answers 7 when it has its arguments, no inherited descriptor, no blocked signal.
    const pid_t child = ::fork();
    if (child == 0) {
        const int leaked = ::open("/dev/null", O_RDONLY);
        sigset_t blocked;
        sigfillset(&blocked);
        ::sigprocmask(SIG_BLOCK, &blocked, nullptr);
        CapturingLogger logger;
        ExecRelaunch relaunch(
            "/bin/sh",
            {"-c",
             "[ \"$0 $1\" = 'x y z' ] && [ ! -e /proc/self/fd/" + std::to_string(leaked) +
                 " ] && grep -q 'SigBlk:\t0*$' /proc/self/status && exit 7",
             "x", "y z"},
            logger);
        bool quit = false;
        relaunch.setOnQuit([&] { quit = true; });
        relaunch.now();
        if (quit) (void)relaunch.execPending();
        ::_exit(3);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 7);

    CapturingLogger logger;
    ExecRelaunch failing("/usr/bin/v", {}, logger);
    EXPECT_TRUE(failing.execPending());  // nothing asked: nothing done
    failing.into("/nonexistent/v");
    const Status failed = failing.execPending();
    EXPECT_EQ(failed ? "" : failed.error().description,
              "Couldn't start \"/nonexistent/v\": No such file or directory");
    EXPECT_FALSE(failing.pending());
}

// A copy of this test program, a build of ours, that holds the instance lock in `folder` as
// an instance does (its flock) and waits to be told to quit, or, stubborn, ignores that.
ChildProcess instance(const std::string& folder, bool stubborn) {
    return ChildProcess(forkWhenReady([&](int ready) {
        ::signal(SIGTERM, stubborn ? SIG_IGN : SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        const int lock = ::open((folder + "/com.example.lock").c_str(), O_RDWR | O_CREAT, 0600);
        if (lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) == 0 && ::write(ready, "!", 1) == 1)
            for (;;) ::pause();
    }));
}

TEST(RunningInstances, OnlyOurProgramHoldingOurLockIsAskedToQuitAndWaitedFor) {
    TempFolder home(TempFolder::awkward);
    const std::string run = home / "run", other = home / "other", lock = run + "/com.example.lock";
    for (const auto& folder : {run, other}) {
        std::filesystem::create_directories(folder);
        ::chmod(folder.c_str(), 0700);
    }
    const RunningInstances instances({run, other}, "com.example");
    const auto pids = [&] {
        std::vector<pid_t> found;
        for (const auto& instance : instances.find()) found.push_back(instance.pid());
        return found;
    };
    const auto locked = [&] {
        struct stat info {};
        std::ifstream in("/proc/locks");
        const std::string locks{std::istreambuf_iterator<char>(in), {}};
        return ::stat(lock.c_str(), &info) == 0 &&
               !RunningInstances::lockHolders(locks, info.st_dev, info.st_ino).empty();
    };
    // None of these is an instance: one of ours on another folder's lock, a reader that only
    // has the lock file open (a `tail -f` of it), another program that holds the lock.
    auto elsewhere = instance(other, false);
    ASSERT_GT(elsewhere.pid(), 0);
    home.write("run/com.example.lock", "");
    ChildProcess reader({"sh", "-c", "exec 3<\"$0\"; exec sleep 60", lock});
    auto stranger = std::make_unique<ChildProcess>(std::vector<std::string>{
        "perl", "-e", "open(F, '>>', $ARGV[0]) or die; flock(F, 2) or die; sleep 60", lock});
    ASSERT_TRUE(waitUntil(locked, 2s));
    waitUntil([&] { return openDescriptors(reader.pid()) >= 4; }, 1s);
    EXPECT_EQ(pids(), std::vector<pid_t>{});
    EXPECT_TRUE(instances.endAll(200ms));
    stranger.reset();

    auto ours = instance(run, false);
    ASSERT_GT(ours.pid(), 0);
    EXPECT_EQ(pids(), std::vector<pid_t>{ours.pid()});
    EXPECT_TRUE(instances.endAll(2s));
    EXPECT_EQ(ours.wait(1s), 128 + SIGTERM);

    auto stubborn = instance(run, true);
    ASSERT_GT(stubborn.pid(), 0);
    const Status refused = instances.endAll(200ms);
    EXPECT_EQ(refused ? "" : refused.error().description, "The running instance (process " +
                                                              std::to_string(stubborn.pid()) +
                                                              ") did not quit within 0.2 s");
    EXPECT_EQ(elsewhere.wait(0ms), std::nullopt);  // left running, like the reader
    EXPECT_EQ(reader.wait(0ms), std::nullopt);
}

// An image is named by its file only from inside its mount.
TEST(RunningProgram, IsTheImageOnlyFromInsideItsMountAndNeverMarkedDeleted) {
    EXPECT_EQ(RunningProgram::choose("/usr/bin/v (deleted)", nullptr), "/usr/bin/v");
    EXPECT_EQ(RunningProgram::choose("/tmp/.mount_V1/usr/bin/v", "/home/a/V.AppImage"),
              "/home/a/V.AppImage");
    EXPECT_EQ(RunningProgram::choose("/tmp/.mount_V1/usr/bin/v", "V.AppImage"),
              "/tmp/.mount_V1/usr/bin/v");
    EXPECT_EQ(RunningProgram::choose("/usr/bin/v", "/home/a/V.AppImage"), "/usr/bin/v");
}

}  // namespace
}  // namespace vesperine
