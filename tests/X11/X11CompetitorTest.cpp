#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "Platform/Linux/ProcProcesses.h"
#include "Platform/Simulated/SimulatedColourFeature.h"
#include "System/ConflictDetector.h"
#include "X11DisplayFixture.h"

extern char** environ;

namespace vesperine::testing_x11 {
namespace {

using namespace std::chrono_literals;

std::vector<std::string> ids(const std::vector<Conflict>& conflicts) {
    std::vector<std::string> out;
    for (const auto& c : conflicts) out.push_back(c.id());
    return out;
}

// A real competitor on the test server: redshift in continuous mode at a fixed 4000 K, no
// fades, no configuration file of the user's.
class X11CompetitorTest : public X11DisplayFixture {
  protected:
    void SetUp() override {
        X11DisplayFixture::SetUp();
        if (HasFatalFailure()) return;
        processes = std::make_unique<ProcProcesses>(loop, loop, logger);
        // `fix` ends every redshift of this user: never one that is not ours.
        if (!processes->list({"redshift"}).empty()) GTEST_SKIP() << "another redshift runs";
        const char* argv[] = {"redshift", "-c", "/dev/null", "-m", "randr", "-l", "0:0",
                              "-t",       "4000:4000", "-r", nullptr};
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        const int spawned = ::posix_spawnp(&redshift, "redshift", &quiet, nullptr,
                                           const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&quiet);
        if (spawned != 0) GTEST_SKIP() << "redshift is not installed";
        detector = std::make_unique<ConflictDetector>(
            ConflictDetector::Services{nightLight, *processes, *displays, *displays, loop, logger},
            "Vesperine");
        detector->appOwnsGamma = [this] { return ownTint; };
    }
    void TearDown() override {
        if (redshift > 0 && ::kill(redshift, SIGKILL) == 0) ::waitpid(redshift, nullptr, 0);
        detector.reset();
        processes.reset();
        X11DisplayFixture::TearDown();
    }
    // Refreshes every 50 ms until the conflicts are `expected`.
    bool waitFor(const std::vector<std::string>& expected) {
        Timer again = loop.repeating(50ms, [this] { detector->refresh(); });
        return loop.runUntil([&] { return ids(detector->conflicts()) == expected; }, 5s);
    }

    SimulatedColourFeature nightLight{loop, SystemFeatureStatus::off};
    std::unique_ptr<ProcProcesses> processes;
    std::unique_ptr<ConflictDetector> detector;
    pid_t redshift = 0;
    bool ownTint = false;
};

TEST_F(X11CompetitorTest, RedshiftIsListedItsRampsAreForeignAndFixEndsIt) {
    detector->start();
    ASSERT_TRUE(waitFor({"app:redshift", "foreignGamma"})) << testing::PrintToString(ids(detector->conflicts()));
    EXPECT_EQ(detector->conflicts()->front().message("Vesperine"),
              "Redshift is running and will fight Vesperine over the display.");
    // While we tint, the ramps are taken as ours.
    ownTint = true;
    detector->refresh();
    EXPECT_EQ(ids(detector->conflicts()), std::vector<std::string>{"app:redshift"});
    ownTint = false;

    int exits = 0;
    Handle heard = processes->observeExits([&](const RunningProcess& p) {
        if (p.pid == redshift) ++exits;
    });
    detector->fix(detector->conflicts()->front());
    // Its end is heard on the loop (no poll), and it gave the ramps back as it quit.
    ASSERT_TRUE(loop.runUntil([&] { return exits == 1; }, 5s));
    EXPECT_TRUE(detector->conflicts()->empty()) << testing::PrintToString(ids(detector->conflicts()));
    int status = 0;
    ASSERT_EQ(::waitpid(redshift, &status, 0), redshift);
    redshift = 0;
    EXPECT_TRUE(WIFEXITED(status)) << "redshift was not asked politely";
    EXPECT_EQ(maxDifference(other.ramp("DUMMY0").b, RandrClient::curve(256, 1.0).b), 0);
}

}  // namespace
}  // namespace vesperine::testing_x11
