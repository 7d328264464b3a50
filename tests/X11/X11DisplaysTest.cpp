// The X11 backend's displays, events and competitors on the test server.
#include "X11Harness.h"

#include "Color/Kelvin.h"
#include "Display/DisplayMonitor.h"
#include "Display/DisplayPipeline.h"
#include "Display/GammaController.h"
#include "Platform/Linux/Files/PosixFileSystem.h"
#include "Platform/Linux/Process/ProcProcesses.h"
#include "Platform/Simulated/SimulatedColourFeature.h"
#include "Platform/Simulated/SimulatedSystemEvents.h"
#include "Platform/X11/X11EDRSurfaces.h"
#include "Platform/X11/X11SystemEvents.h"
#include "Support/TempFolder.h"
#include "System/ConflictDetector.h"

namespace vesperine::testing_x11 {
namespace {

// An output switched off after the list was read, its events not yet handled: the write
// must fail for it, not land on the CRTC it no longer drives (which another output may get).
TEST_F(X11DisplayFixture, ListsOutputsWithAnActiveCrtcAndFailsWritesToOnesSwitchedOff) {
    ASSERT_TRUE(addSecondMonitor());
    settle(2);
    const auto screens = displays->screens();
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].name, "DUMMY0");
    EXPECT_EQ(screens[1].id, second);
    EXPECT_EQ(screens[1].frame, (DisplayFrame{2048, 0, 1024, 768}));
    for (const auto& screen : screens) EXPECT_EQ(displays->gammaSize(screen.id), 256);
    GammaController gamma(*displays, loop, logger);
    gamma.apply(RGBGains{1.0, 0.8, 0.6}, {first, second});
    ASSERT_TRUE(removeSecondMonitor());
    gamma.apply(RGBGains{1.0, 0.7, 0.5}, {first, second});
    EXPECT_TRUE(logger.contains(
        "gamma table of display " + std::to_string(second) + ": no such display is attached (1001)",
        "gamma"));
    EXPECT_DOUBLE_EQ(gamma.applied().at(second).g, 0.8);  // the last write that landed
    EXPECT_NEAR(other.ramp("DUMMY0").b.back(), 0.5 * 65535, 1);
    settle(1);
    EXPECT_EQ(displays->screens().size(), 1u);
    float r[4], g[4], b[4];
    std::size_t count = 9;
    EXPECT_EQ(displays->readTable(second, 4, r, g, b, count), X11Displays::noSuchDisplay);
    EXPECT_EQ(count, 0u);
}

// Each output's own curve is its baseline (not the identity), tinted per output and put back
// exactly, also after it went off and came back while tinted.
TEST_F(X11DisplayFixture, CapturesAppliesAndRestoresExactlyEvenAfterReconfiguration) {
    ASSERT_TRUE(addSecondMonitor());
    const Ramp own[] = {curve(256, 1.2), curve(256, 0.9, 1.0, 0.99, 0.98)};
    other.setRamp("DUMMY0", own[0]);
    other.setRamp("DUMMY1", own[1]);
    settle(2);

    GammaController gamma(*displays, loop, logger);
    gamma.apply({{first, {1.0, 0.8, 0.6}}, {second, {0.9, 0.7, 0.5}}});
    EXPECT_LE(maxDifference(other.ramp("DUMMY0"), scaled(own[0], 1.0, 0.8, 0.6)), 1);
    EXPECT_LE(maxDifference(other.ramp("DUMMY1"), scaled(own[1], 0.9, 0.7, 0.5)), 1);
    gamma.restore();
    EXPECT_EQ(other.ramp("DUMMY0"), own[0]);
    EXPECT_EQ(other.ramp("DUMMY1"), own[1]);

    gamma.apply(RGBGains{1.0, 0.5, 0.2}, {first, second});
    ASSERT_TRUE(removeSecondMonitor());
    settle(1);
    ASSERT_TRUE(addSecondMonitor());
    settle(2);
    gamma.reapplyAfterReconfiguration({{first, {1.0, 0.6, 0.3}}, {second, {1.0, 0.6, 0.3}}});
    EXPECT_NEAR(gamma.baselines().at(first).g[200] * 65535.0, own[0].g[200], 0.5);  // not our tint
    gamma.restore();
    EXPECT_EQ(other.ramp("DUMMY0"), own[0]);
    EXPECT_EQ(other.ramp("DUMMY1"), own[1]);
}

// The ramp on screen is an output's own, whatever its shape, unless it is black (another
// program's blackout, or a driver that reads back zeros: the identity stands in) or the
// record of an earlier run says otherwise: one killed while tinted. One that ended cleanly
// leaves no record, so a calibration loaded after it is the next run's own.
TEST_F(X11DisplayFixture, TheOwnRampIsTheOneOnScreenUnlessBlackOrRecordedByAKilledRun) {
    const Ramp calibration = curve(256, 1.0, 1.0, 0.97, 0.92);
    const Ramp later = curve(256, 1.2, 0.9, 1.0, 0.95);
    const struct {
        const char* name;
        std::optional<bool> earlierRunEndsCleanly;  // none: no earlier run
        Ramp onScreen, own;
    } cases[] = {{"black", {}, curve(256, 1.0, 0, 0, 0), identity},
                 {"a calibration loaded after a clean end", true, later, later},
                 {"a killed run's tint over a calibration", false, {}, calibration}};
    TempFolder records;
    PosixFileSystem files;
    const RGBGains gains{1.0, 0.8, 0.6};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto folder = records / c.name;
        other.setRamp("DUMMY0", calibration);
        for (bool earlier : {true, false}) {
            if (earlier && !c.earlierRunEndsCleanly) continue;
            if (!earlier && !c.onScreen.r.empty()) other.setRamp("DUMMY0", c.onScreen);
            OwnRampRecord record(files, logger, folder, "test");
            X11Displays run(*connection, logger, &record);
            GammaController gamma(run, loop, logger);
            gamma.apply(gains, {first});
            if (earlier && !*c.earlierRunEndsCleanly) continue;  // killed: nothing restored
            const Ramp& own = earlier ? calibration : c.own;
            EXPECT_LE(maxDifference(other.ramp("DUMMY0"), scaled(own, 1.0, 0.8, 0.6)), 1);
            gamma.restore();
            EXPECT_EQ(other.ramp("DUMMY0"), own);
        }
    }
}

// The server dropping us (as when the X server stops) must be logged and survived: no exit,
// every later call answers with an error and nothing touches the dead connection.
TEST_F(X11DisplayFixture, ADroppedConnectionIsLoggedAndEveryCallCarriesOn) {
    GammaController gamma(*displays, loop, logger);
    gamma.apply(RGBGains{1.0, 0.8, 0.6}, {first});
    bool lost = false;
    connection->setOnLost([&] { lost = true; });
    // Kill our client from the other one, through a resource we own.
    const Window mine =
        XCreateSimpleWindow(connection->display(), connection->root(), 0, 0, 1, 1, 0, 0, 0);
    XSync(connection->display(), False);
    XKillClient(other.display(), mine);
    XSync(other.display(), False);

    ASSERT_TRUE(spin([&] { return lost; }, 3s));
    EXPECT_FALSE(connection->isAlive());
    EXPECT_TRUE(logger.contains("Lost the connection to the X server"));
    EXPECT_TRUE(displays->screens().empty());
    gamma.apply(RGBGains{1.0, 0.7, 0.5}, {first});
    EXPECT_TRUE(logger.contains("gamma table of display " + std::to_string(first) +
                                ": no such display is attached (1001)"));
}

// A batch goes out whole before its answers are read: each entry must still get its own
// answer, an output that has gone must not spoil the others, and the tables must land.
TEST_F(X11DisplayFixture, BatchesAnswerEachEntryOnItsOwn) {
    ASSERT_TRUE(addSecondMonitor());
    settle(2);
    ASSERT_EQ(displays->screens().size(), 2u);
    const Ramp own = other.ramp("DUMMY1");
    const DisplayID gone = 0x7fff'fff0;
    const std::vector<float> ramps[] = {{0, 0.5f, 0.8f}, {0, 0.25f, 0.6f}};
    DisplayGamma::TableWrite writes[] = {
        {first, 3, ramps[0].data(), ramps[0].data(), ramps[1].data()},
        {gone, 3, ramps[0].data(), ramps[0].data(), ramps[0].data()},
        {second, 3, ramps[1].data(), ramps[1].data(), ramps[0].data()},
        {first, 1, ramps[0].data(), ramps[0].data(), ramps[0].data()},
    };
    displays->writeTables(writes);
    std::vector<int> results;
    for (const auto& entry : writes) results.push_back(entry.result);
    EXPECT_EQ(results,
              (std::vector{0, X11Displays::noSuchDisplay, 0, X11Displays::unusableGammaSize}));
    EXPECT_NEAR(other.ramp("DUMMY0").b.back(), 0.6 * 65535, 1);
    EXPECT_NEAR(other.ramp("DUMMY1").b.back(), 0.8 * 65535, 1);

    // A restore gives both their own ramps back, from the outputs already listed.
    displays->restoreAll();
    EXPECT_EQ(other.ramp("DUMMY0"), identity);
    EXPECT_EQ(other.ramp("DUMMY1"), own);
}

// The watchdog's reads come one tick late, from a connection nobody waits on: each answer is
// the table as it was when the previous call asked, and a write in between leaves no answer
// rather than a stale one (which would look like drift).
TEST_F(X11DisplayFixture, TheWatchdogsReadsAreAnsweredOneCallLateAndVoidedByWrites) {
    settle(1);
    std::vector<float> r(2), g(2), b(2);
    auto asked = [&] {
        DisplayGamma::TableRead read{first, 2, r.data(), g.data(), b.data()};
        displays->readTablesAskedBefore({&read, 1});
        return read.result == 0 ? std::optional(b.back()) : std::nullopt;
    };
    const std::vector<float> ours = {0, 0.5f};
    DisplayGamma::TableWrite write{first, 2, ours.data(), ours.data(), ours.data()};
    displays->writeTables({&write, 1});
    EXPECT_EQ(asked(), std::nullopt);  // nothing asked yet
    spinFor(50ms);                     // the server answers before the other client writes
    other.setRamp("DUMMY0", curve(256, 1.0, 0.9, 0.9, 0.9));
    EXPECT_NEAR(asked().value_or(-1), 0.5, 1e-3);  // asked before the other client wrote
    EXPECT_NEAR(asked().value_or(-1), 0.9, 1e-3);
    displays->sendTables({&write, 1});
    // Nothing orders requests on two connections: the frame must have reached the server
    // before the next read is asked, or that read may overtake it.
    spinFor(50ms);
    EXPECT_EQ(asked(), std::nullopt);  // asked before our frame: void
    EXPECT_NEAR(asked().value_or(-1), 0.5, 1e-3);
}

// Another client's ramp is heard as it is written, and the tint is back a moment later; our
// own writes are not heard, and a tint that nothing disturbs keeps no timer running.
TEST_F(X11DisplayFixture, AnotherClientsRampIsHeardAndReplacedAtOnceOursAreNot) {
    settle(1);
    int heard = 0;
    auto hearing = displays->hearForeignWrites([&] { ++heard; });
    ASSERT_TRUE(hearing.ok()) << hearing.error().description;
    const std::vector<float> ours = {0, 0.5f};
    DisplayGamma::TableWrite write{first, 2, ours.data(), ours.data(), ours.data()};
    displays->writeTables({&write, 1});
    displays->sendTables({&write, 1});
    spinFor(100ms);
    EXPECT_EQ(heard, 0);
    other.setRamp("DUMMY0", curve(256, 1.0, 0.9, 0.9, 0.9));
    EXPECT_TRUE(spin([&] { return heard > 0; }));
    hearing.value().cancel();

    GammaController gamma(*displays, loop, logger);
    gamma.apply(RGBGains{1.0, 0.8, 0.6}, {first});
    EXPECT_FALSE(gamma.watchdogRunning());
    other.setRamp("DUMMY0", identity);
    EXPECT_TRUE(spin([&] { return std::abs(end(other.ramp("DUMMY0").b) - 0.6) < 1e-3; }));
    EXPECT_EQ(logger.count("Gamma drifted"), 1u);
}

// The whole display output on the real server: monitor, pipeline and gamma, on the loop.
class X11PipelineTest : public X11DisplayFixture {
protected:
    void SetUp() override {
        X11DisplayFixture::SetUp();
        monitor = std::make_unique<DisplayMonitor>(*displays, systemEvents, loop, logger);
        pipeline = std::make_unique<DisplayPipeline>(*displays, *displays, surfaces, loop, logger);
        monitor->onEvent = [this](DisplayMonitor::Event event) {
            if (event == DisplayMonitor::Event::reconfigured) ++reconfigurations;
            pipeline->handle(event);
        };
        monitor->start();
    }
    void TearDown() override {
        monitor.reset();
        pipeline.reset();
        X11DisplayFixture::TearDown();
    }
    // Waits for the fade to end and for the monitor's events to settle on `outputs`.
    void fadeEndsOn(std::size_t outputs) {
        ASSERT_TRUE(spin([this] { return !pipeline->isFading(); }, 10s));
        spinFor(700ms);  // past the debounce: a (wrong) reconfiguration would have come
        spin([&] { return pipeline->displays()->size() == outputs && !pipeline->isFading(); });
        EXPECT_EQ(pipeline->displays()->size(), outputs);
    }
    double blueEnd(const char* output) const { return end(other.ramp(output).b); }

    SimulatedSystemEvents systemEvents;
    X11EDRSurfaces surfaces;
    std::unique_ptr<DisplayMonitor> monitor;
    std::unique_ptr<DisplayPipeline> pipeline;
    int reconfigurations = 0;
};

// Our own ramp writes must not come back as reconfigurations, or every frame would make the
// pipeline restore and re-read the tables; a monitor added mid-fade does, and joins the fade
// to its target.
TEST_F(X11PipelineTest, OnlyAMonitorComingIsAReconfigurationAndItJoinsTheFade) {
    pipeline->apply({1.0, Kelvin::gains(2700)}, 1.0);
    fadeEndsOn(1);
    EXPECT_EQ(reconfigurations, 0);
    EXPECT_NEAR(blueEnd("DUMMY0"), Kelvin::gains(2700).b, 1.0 / 65535);

    const DisplayTarget warm{1.0, Kelvin::gains(3000)};
    pipeline->apply(warm, 1.5);
    spinFor(300ms);
    ASSERT_TRUE(addSecondMonitor());
    // The server's own ramp of a new CRTC, before we hear of it.
    const double ownEnd = blueEnd("DUMMY1");
    fadeEndsOn(2);
    EXPECT_GE(reconfigurations, 1);
    EXPECT_NEAR(blueEnd("DUMMY0"), warm.gains.b, 1.0 / 65535);
    // Joined the fade, not left white.
    EXPECT_NEAR(blueEnd("DUMMY1"), ownEnd * warm.gains.b, 1.0 / 65535);
}

TEST_F(X11DisplayFixture, ACurrentDesktopChangeIsASpaceChangeOtherPropertiesAreNot) {
    // Another backend's selection, which ours must add to.
    XSelectInput(connection->display(), connection->root(), StructureNotifyMask);
    X11SystemEvents events(*connection, logger);
    XWindowAttributes attributes{};
    XGetWindowAttributes(connection->display(), connection->root(), &attributes);
    // Added, not replaced.
    EXPECT_EQ(attributes.your_event_mask, StructureNotifyMask | PropertyChangeMask);

    EXPECT_TRUE(events.canObserve(SystemEvent::spaceChanged));
    int spaces = 0;
    Handle handle = events.observe(SystemEvent::spaceChanged, [&] { ++spaces; });
    // As a window manager sets them: another root property, then the current desktop.
    other.longs(other.root(), "_NET_ACTIVE_WINDOW", "WINDOW", {0});
    spinFor(300ms);
    EXPECT_EQ(spaces, 0);
    other.longs(other.root(), "_NET_CURRENT_DESKTOP", "CARDINAL", {1});
    EXPECT_TRUE(spin([&] { return spaces == 1; }));
}

std::vector<std::string> ids(const std::vector<Conflict>& conflicts) {
    std::vector<std::string> out;
    for (const auto& c : conflicts) out.push_back(c.id());
    return out;
}

// A real competitor on the test server: redshift in continuous mode at a fixed 4000 K, no
// fades, no configuration file of the user's. Its ramps are taken as foreign; `fix` asks it
// to quit, its end is heard on the loop (no poll), and it gives the ramps back.
TEST_F(X11DisplayFixture, RedshiftIsListedItsRampsAreForeignAndFixEndsIt) {
    ProcProcesses processes(loop, loop, logger);
    // `fix` ends every redshift of this user: never one that is not ours.
    if (auto running = processes.list({"redshift"}); !running.empty())
        GTEST_SKIP() << "another redshift runs: " << running.front().pid;
    ChildProcess redshift(
        {"redshift", "-c", "/dev/null", "-m", "randr", "-l", "0:0", "-t", "4000:4000", "-r"},
        {{1, "/dev/null"}});
    if (redshift.pid() <= 0) GTEST_SKIP() << "redshift is not installed";
    SimulatedColourFeature nightLight{loop, SystemFeatureStatus::off};
    std::vector<DisplayInfo> lit;
    for (const auto& screen : displays->screens()) lit.push_back({screen.id, screen.name});
    const Observable<std::vector<DisplayInfo>> known{lit};
    ConflictDetector detector({nightLight, processes, known, *displays, loop, logger}, "Vesperine");
    detector.start();
    const std::vector<std::string> both{"app:redshift", "foreignGamma"};
    Timer again = loop.repeating(50ms, [&] { detector.refresh(); });
    ASSERT_TRUE(spin([&] { return ids(detector.conflicts()) == both; }, 5s))
        << testing::PrintToString(ids(detector.conflicts()));
    again.cancel();

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
