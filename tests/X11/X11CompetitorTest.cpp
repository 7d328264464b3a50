#include "X11Harness.h"

#include "Platform/Linux/Process/ProcProcesses.h"
#include "Platform/Simulated/SimulatedColourFeature.h"
#include "System/ConflictDetector.h"

namespace vesperine::testing_x11 {
namespace {

std::vector<std::string> ids(const std::vector<Conflict>& conflicts) {
    std::vector<std::string> out;
    for (const auto& c : conflicts) out.push_back(c.id());
    return out;
}

// A real competitor on the test server: redshift in continuous mode at a fixed 4000 K, no
// fades, no configuration file of the user's. Its ramps are taken as foreign until we tint;
// `fix` asks it to quit, its end is heard on the loop (no poll), and it gives the ramps back.
TEST_F(X11DisplayFixture, RedshiftIsListedItsRampsAreForeignAndFixEndsIt) {
    ProcProcesses processes(loop, loop, logger);
    // `fix` ends every redshift of this user: never one that is not ours.
    if (auto running = processes.list({"redshift"}); !running.empty())
        GTEST_SKIP() << "another redshift runs: " << running.front().pid;
    ChildProcess redshift({"redshift", "-c", "/dev/null", "-m", "randr", "-l", "0:0", "-t",
                           "4000:4000", "-r"},
                          {{1, "/dev/null"}});
    if (redshift.pid() <= 0) GTEST_SKIP() << "redshift is not installed";
    SimulatedColourFeature nightLight{loop, SystemFeatureStatus::off};
    std::vector<DisplayInfo> lit;
    for (const auto& screen : displays->screens()) lit.push_back({screen.id, screen.name});
    const Observable<std::vector<DisplayInfo>> known{lit};
    ConflictDetector detector({nightLight, processes, known, *displays, loop, logger},
                              "Vesperine");
    bool ownTint = false;
    detector.appOwnsGamma = [&] { return ownTint; };
    detector.start();
    const std::vector<std::string> both{"app:redshift", "foreignGamma"};
    Timer again = loop.repeating(50ms, [&] { detector.refresh(); });
    ASSERT_TRUE(spin([&] { return ids(detector.conflicts()) == both; }, 5s))
        << testing::PrintToString(ids(detector.conflicts()));
    again.cancel();
    EXPECT_EQ(detector.conflicts()->front().message("Vesperine"),
              "Redshift is running and will fight Vesperine over the display.");
    ownTint = true;
    detector.refresh();
    EXPECT_EQ(ids(detector.conflicts()), std::vector<std::string>{"app:redshift"});
    ownTint = false;

    int exits = 0;
    Handle heard = processes.observeExits([&](const RunningProcess& p) {
        if (p.pid == redshift.pid()) ++exits;
    });
    detector.fix(detector.conflicts()->front());
    // Generous: a loaded machine may take seconds to let redshift put its ramps back.
    ASSERT_TRUE(spin([&] { return exits == 1; }, 30s))
        << (redshift.wait(0s) ? "redshift ended unheard" : "redshift still runs") << "\n"
        << [&] {
               std::string all;
               for (const auto& line : logger.lines()) all += line.message + "\n";
               return all;
           }();
    EXPECT_TRUE(detector.conflicts()->empty()) << testing::PrintToString(ids(detector.conflicts()));
    EXPECT_EQ(redshift.wait(5s), 0) << "redshift was not asked politely";
    EXPECT_EQ(maxDifference(other.ramp("DUMMY0"), identity), 0);
}

}  // namespace
}  // namespace vesperine::testing_x11
