#include "System/ConflictDetector.h"

#include <gtest/gtest.h>

#include <limits>

#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/SimulatedColourFeature.h"
#include "Platform/Simulated/SimulatedDisplays.h"
#include "Platform/Simulated/SimulatedProcesses.h"
#include "Platform/Simulated/VirtualTime.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;
using Feature = SystemFeatureStatus;

std::vector<std::string> ids(const std::vector<Conflict>& conflicts) {
    std::vector<std::string> out;
    for (const auto& c : conflicts) out.push_back(c.id());
    return out;
}

SimulatedDisplays::Table ending(float r, float g, float b) {
    return {{0, 0.5f * r, r}, {0, 0.5f * g, g}, {0, 0.5f * b, b}};
}

// A machine with two displays, none of their tables set by anybody.
struct Machine {
    Machine() {
        displays.add({1, "Built-in", {}, 1, true});
        displays.add({2, "External", {}, 1, false});
    }
    VirtualTime time;
    CapturingLogger logger;
    SimulatedDisplays displays;
    Observable<std::vector<DisplayInfo>> known{{{1, "Built-in"}, {2, "External"}}};
    SimulatedColourFeature nightLight{time};
    SimulatedProcesses processes{time};
};

class ConflictDetectorTest : public testing::Test, protected Machine {
protected:
    ConflictDetector detector{{nightLight, processes, known, displays, time, logger}, "Vesperine"};
};

TEST(ConflictDetector, ForeignTablesAreJudgedByTheirFullInputOutputs) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::tuple<const char*, GammaTable::Channels, bool> cases[] = {
        {"dimmed, at the limits", {{0, 1.02f}, {0, 0.975f}, {0, 1.0f}}, false},
        {"spread 0.1", {{0, 1}, {0, 0.94f}, {0, 0.9f}}, true},
        {"above white", {{0, 1.03f}, {0, 1.03f}, {0, 1.03f}}, true},
        {"no number at the top", {{0, nan}, {0, 1}, {0, 0.5f}}, false},
    };
    for (const auto& [name, table, foreign] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ConflictDetector::isForeign(table), foreign);
    }
}

TEST(ConflictDetector, RefreshFindsEveryKindInOrder) {
    struct Case {
        const char* name;
        Feature nightLight;
        std::vector<std::pair<int, std::string>> running;
        std::optional<SimulatedDisplays::Table> secondTable;
        bool appOwnsGamma;
        std::vector<std::string> ids;
        std::vector<std::string> unavailable;
        bool oursThroughNightLight = false;
    } cases[] = {
        {"night light on, nothing else", Feature::on, {}, {}, false, {"nightLight"}, {}},
        {"night light on with our Warm in it", Feature::on, {}, {}, true, {}, {}, true},
        {"no night light on this desktop", Feature::unavailable, {}, {}, false, {}, {"Night Light"}},
        {"two instances are two conflicts; strangers none", Feature::off,
         {{40, "gammastep"}, {7, "redshift"}, {90, "redshift"}, {12, "firefox"}}, {}, false,
         {"app:redshift", "app:gammastep", "app:redshift"}, {}},
        {"our own tint is never foreign", Feature::off, {}, ending(1.03f, 1.03f, 1.03f), true, {}, {}},
        {"everything at once", Feature::on, {{3, "xsct"}}, ending(1, 0.7f, 0.5f), false,
         {"nightLight", "app:xsct", "foreignGamma"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Machine m;
        if (c.secondTable) m.displays.setTable(2, *c.secondTable);
        m.displays.setShowsThroughNightLight(c.oursThroughNightLight);
        m.nightLight.setStatus(c.nightLight);
        for (const auto& [pid, executable] : c.running) m.processes.start(pid, executable);
        ConflictDetector d({m.nightLight, m.processes, m.known, m.displays, m.time, m.logger},
                           "Vesperine");
        d.appOwnsGamma = [&] { return c.appOwnsGamma; };
        d.refresh();
        EXPECT_EQ(ids(d.conflicts()), c.ids);
        EXPECT_EQ(d.unavailable().get(), c.unavailable);
    }
}

TEST_F(ConflictDetectorTest, StartPollsEveryMinuteAndHearsChangesAsTheyHappen) {
    detector.start();
    EXPECT_EQ(processes.listings(), 1);
    time.advance(59s);
    EXPECT_EQ(processes.listings(), 1);
    time.advance(1s);
    EXPECT_EQ(processes.listings(), 2);
    // A competitor launched is seen at the next poll only: there is no launch event.
    processes.start(21, "gammastep");
    time.advance(30s);
    EXPECT_TRUE(detector.conflicts()->empty());
    time.advance(30s);
    EXPECT_EQ(ids(detector.conflicts()), std::vector<std::string>{"app:gammastep"});
    // Its end and the night light's change are heard at once.
    processes.end(21);
    EXPECT_TRUE(detector.conflicts()->empty());
    nightLight.setStatus(Feature::on);
    EXPECT_EQ(ids(detector.conflicts()), std::vector<std::string>{"nightLight"});
}

TEST_F(ConflictDetectorTest, FixesAskEveryInstanceToQuitOrSwitchTheNightLightOff) {
    nightLight.setStatus(Feature::on);
    processes.start(7, "redshift");
    processes.start(9, "redshift", /*ignoresTerminate=*/true);
    processes.start(11, "gammastep");
    displays.setTable(1, ending(1, 0.8f, 0.6f));
    detector.start();
    ASSERT_EQ(ids(detector.conflicts()).size(), 5u);

    // Every instance of that program is asked to quit, no other program.
    detector.fix(Conflict::app("Redshift", "redshift"));
    EXPECT_EQ(processes.terminated(), (std::vector<int>{7, 9}));
    time.advance(1s);
    EXPECT_EQ(ids(detector.conflicts()),
              (std::vector<std::string>{"nightLight", "app:redshift", "app:gammastep", "foreignGamma"}));

    // A refused switch leaves the conflict; an obeyed one clears it.
    nightLight.setRefuses(true);
    detector.fix(Conflict::nightLight());
    time.advance(1s);
    EXPECT_EQ(ids(detector.conflicts()).front(), "nightLight");
    nightLight.setRefuses(false);
    detector.fix(Conflict::nightLight());
    time.advance(1s);
    EXPECT_EQ(ids(detector.conflicts()).front(), "app:redshift");
}

TEST_F(ConflictDetectorTest, ANightLightThatShowsOurWarmIsNeverLeftSwitchedOff) {
    nightLight.setStatus(Feature::on);
    detector.start();
    detector.fix(Conflict::nightLight());
    time.advance(1s);
    EXPECT_EQ(nightLight.status(), Feature::off);
    // Our Warm now goes through it: the next refresh switches it back on, once.
    displays.setShowsThroughNightLight(true);
    time.advance(ConflictDetector::pollInterval);
    EXPECT_EQ(nightLight.status(), Feature::on);
    EXPECT_EQ(nightLight.requests(), 2);
    detector.fix(Conflict::nightLight());
    time.advance(ConflictDetector::pollInterval);
    EXPECT_EQ(nightLight.requests(), 2);
}

TEST_F(ConflictDetectorTest, NothingRunsOnceTheDetectorIsGone) {
    auto gone = std::make_unique<ConflictDetector>(
        ConflictDetector::Services{nightLight, processes, known, displays, time, logger}, "V");
    processes.start(7, "redshift");
    gone->start();
    gone->fix(Conflict::app("Redshift", "redshift"));
    gone.reset();
    const int listings = processes.listings();
    time.advance(2min);
    nightLight.setStatus(Feature::on);
    EXPECT_EQ(processes.listings(), listings);
}

}  // namespace
}  // namespace vesperine
