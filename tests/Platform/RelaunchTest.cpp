// Relaunch by exec and the end of other instances, on real processes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "Platform/Linux/ExecRelaunch.h"
#include "Platform/Linux/RunningInstances.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Support/TempHome.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;

int exitStatus(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(ExecRelaunch, TheNewProgramGetsTheArgumentsAndNothingElseOfTheOldProcess) {
    // The shell checks what it was given: its arguments, no inherited descriptor and no
    // blocked signal, and answers with exit status 7.
    const pid_t child = ::fork();
    if (child == 0) {
        const int leaked = ::open("/dev/null", O_RDONLY);  // without close-on-exec
        sigset_t terminations;
        sigemptyset(&terminations);
        sigaddset(&terminations, SIGTERM);
        ::sigprocmask(SIG_BLOCK, &terminations, nullptr);
        CapturingLogger logger;
        const std::string check = "[ \"$0 $1\" = 'x y z' ] && [ ! -e /proc/self/fd/" +
                                  std::to_string(leaked) +
                                  " ] && grep -q 'SigBlk:\t0*$' /proc/self/status && exit 7";
        ExecRelaunch relaunch("/bin/sh", {"-c", check, "x", "y z"}, logger);
        bool quit = false;
        relaunch.setOnQuit([&] { quit = true; });
        relaunch.now();
        if (!quit || relaunch.pending() != "/bin/sh") ::_exit(2);
        (void)relaunch.execPending();
        ::_exit(3);
    }
    EXPECT_EQ(exitStatus(child), 7);

    CapturingLogger logger;
    ExecRelaunch failing("/usr/bin/v", {}, logger);
    EXPECT_TRUE(failing.execPending());  // nothing asked: nothing done
    failing.into("/nonexistent/vesperine");
    const Status failed = failing.execPending();
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().description,
              "Couldn't start \"/nonexistent/vesperine\": No such file or directory");
    EXPECT_FALSE(failing.pending());
}

TEST(RunningInstances, OnlyHoldersOfOurLockAreAskedToQuitAndWaitedFor) {
    TempHome home;
    const std::string run = home / "run", other = home / "other";
    std::filesystem::create_directories(run);
    std::filesystem::create_directories(other);
    ::chmod(run.c_str(), 0700);
    ::chmod(other.c_str(), 0700);
    // A child that holds a lock file open until it is told to quit (or, stubborn, never).
    const auto holder = [](const std::string& folder, bool stubborn) {
        const pid_t child = ::fork();
        if (child == 0) {
            if (stubborn) ::signal(SIGTERM, SIG_IGN);
            ::open((folder + "/com.example.lock").c_str(), O_RDWR | O_CREAT, 0600);
            for (;;) ::pause();
        }
        return child;
    };
    const pid_t ours = holder(run, false), elsewhere = holder(other, false);
    const RunningInstances instances({run, other}, "com.example");
    for (int i = 0; i < 100 && instances.find().empty(); ++i) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(instances.find(), std::vector<pid_t>{ours});
    EXPECT_TRUE(instances.endAll(2s));
    EXPECT_EQ(exitStatus(ours), 128 + SIGTERM);
    EXPECT_EQ(::kill(elsewhere, 0), 0);

    const pid_t stubborn = holder(run, true);
    for (int i = 0; i < 100 && instances.find().empty(); ++i) std::this_thread::sleep_for(10ms);
    const Status refused = instances.endAll(200ms);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().description, "The running instance (process " +
                                               std::to_string(stubborn) +
                                               ") did not quit within 0.2 s");
    for (pid_t child : {stubborn, elsewhere}) {
        ::kill(child, SIGKILL);
        exitStatus(child);
    }
}

}  // namespace
}  // namespace vesperine
