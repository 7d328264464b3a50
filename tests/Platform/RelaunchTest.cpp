// Relaunch by exec and the end of other instances, on real processes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <thread>

#include "Platform/Linux/ExecRelaunch.h"
#include "Platform/Linux/RunningInstances.h"
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

TEST(RunningInstances, OnlyHoldersOfOurLockAreAskedToQuitAndWaitedFor) {
    TempFolder home(TempFolder::awkward);
    const std::string run = home / "run", other = home / "other";
    for (const auto& folder : {run, other}) {
        std::filesystem::create_directories(folder);
        ::chmod(folder.c_str(), 0700);
    }
    const RunningInstances instances({run, other}, "com.example");
    // A process that holds the lock file in `folder` open until told to quit (or, stubborn,
    // never), once it does.
    const auto holder = [&](const std::string& folder, bool stubborn) {
        auto child = std::make_unique<ChildProcess>(std::vector<std::string>{
            "sh", "-c", std::string(stubborn ? "trap '' TERM; " : "") + "exec 3<>\"$0\"; exec sleep 60",
            folder + "/com.example.lock"});
        for (int i = 0; i < 100 && instances.find().empty(); ++i) std::this_thread::sleep_for(10ms);
        return child;
    };
    const auto elsewhere = holder(other, false), ours = holder(run, false);
    EXPECT_EQ(instances.find(), std::vector<pid_t>{ours->pid()});
    EXPECT_TRUE(instances.endAll(2s));
    EXPECT_EQ(ours->wait(1s), 128 + SIGTERM);

    const auto stubborn = holder(run, true);
    const Status refused = instances.endAll(200ms);
    EXPECT_EQ(refused ? "" : refused.error().description, "The running instance (process " +
                                                              std::to_string(stubborn->pid()) +
                                                              ") did not quit within 0.2 s");
    EXPECT_EQ(elsewhere->wait(0ms), std::nullopt);  // left running
}

}  // namespace
}  // namespace vesperine
