#include "Platform/Wayland/WaylandDisplays.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <wayland-client.h>

#include "Color/Kelvin.h"
#include "Display/DisplayPipeline.h"
#include "Display/GammaController.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/SimulatedEDRSurfaces.h"
#include "Platform/Simulated/VirtualTime.h"
#include "TestCompositor.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;
using testing::TestCompositor;

// The backend on a connection of its own to `compositor`, retrying refused outputs at once.
struct Client {
    explicit Client(TestCompositor& compositor)
        : connection(
              std::move(WaylandConnection::adopt(compositor.connectClient(), logger)).value()),
          displays(*connection, time, logger, WaylandDisplays::Retry{0s, 0s}) {}
    // Everything the compositor sent so far, dispatched (and everything sent to it, handled).
    void sync() { connection->roundtrip(); }
    // The tables the compositor has received on `output` until now.
    std::vector<std::vector<std::uint16_t>> tables(TestCompositor& compositor, const std::string& output) {
        sync();
        return compositor.tables(output);
    }
    DisplayID id(const std::string& name) const {
        for (const auto& screen : displays.screens())
            if (screen.name.find(name) != std::string::npos) return screen.id;
        ADD_FAILURE() << "no display " << name;
        return 0;
    }

    VirtualTime time;
    CapturingLogger logger;
    std::unique_ptr<WaylandConnection> connection;
    WaylandDisplays displays;
};

// The last entry of each channel of a recorded table, and of gains as 16-bit entries.
std::array<std::uint16_t, 3> whites(const std::vector<std::uint16_t>& table) {
    const std::size_t size = table.size() / 3;
    return {table[size - 1], table[2 * size - 1], table[3 * size - 1]};
}
std::array<std::uint16_t, 3> whites(const RGBGains& g) {
    const auto entry = [](double gain) { return std::uint16_t(std::lround(gain * 65535)); };
    return {entry(g.r), entry(g.g), entry(g.b)};
}

TEST(WaylandDisplays, ListsOutputsAndWritesTablesAtTheSizeEachAnnounces) {
    TestCompositor compositor;
    compositor.addOutput("eDP-1", "Built-in panel", 256);
    compositor.addOutput("DP-2", "Big screen", 1024, 1920, 2560);
    compositor.addOutput("HDMI-A-1", "Projector", 4096, 4480);
    Client client(compositor);
    const auto screens = client.displays.screens();
    ASSERT_EQ(screens.size(), 3u);
    EXPECT_EQ(screens[0].name, "Built-in panel");
    EXPECT_TRUE(screens[0].isBuiltin);
    EXPECT_FALSE(screens[1].isBuiltin);
    EXPECT_EQ(screens[1].frame, (DisplayFrame{1920, 0, 2560, 1080}));
    EXPECT_EQ(client.displays.colourControl(), ColourControl::tables);

    GammaController gamma(client.displays, client.time, client.logger);
    const RGBGains warm = Kelvin::gains(3400);
    gamma.apply(warm, {screens[0].id, screens[1].id, screens[2].id});
    for (const auto& [name, size] :
         {std::pair{"eDP-1", 256u}, {"DP-2", 1024u}, {"HDMI-A-1", 4096u}}) {
        SCOPED_TRACE(name);
        const auto tables = client.tables(compositor, name);
        ASSERT_EQ(tables.size(), 1u);
        ASSERT_EQ(tables[0].size(), 3 * size);
        EXPECT_EQ(tables[0][0], 0);
        EXPECT_EQ(whites(tables[0]), whites(warm));
        EXPECT_TRUE(std::is_sorted(tables[0].begin() + size, tables[0].begin() + 2 * size));
    }
    // Read back is what was written: the watchdog finds nothing to repair.
    client.time.advance(10s);
    EXPECT_EQ(client.tables(compositor, "DP-2").size(), 1u);
    // Restoring gives each output back to the compositor, which shows its own table.
    gamma.restore();
    client.sync();
    EXPECT_EQ(compositor.controls("DP-2"), 0);
    EXPECT_EQ(compositor.controlsMade("DP-2"), 1);
}

TEST(WaylandDisplays, FollowsOutputsPluggedAndUnpluggedInTheMiddleOfAFade) {
    TestCompositor compositor;
    compositor.addOutput("DP-1", "Left", 256);
    compositor.addOutput("DP-2", "Right", 1024, 1920);
    Client client(compositor);
    SimulatedEDRSurfaces surfaces;
    DisplayPipeline pipeline(client.displays, client.displays, surfaces, client.time,
                             client.logger);
    pipeline.apply({1.0, Kelvin::gains(6500)}, 0);
    pipeline.apply({1.0, Kelvin::gains(2700)}, 10);
    client.time.advance(3s);
    const std::size_t rightBefore = client.tables(compositor, "DP-2").size();
    EXPECT_GT(rightBefore, 2u);

    compositor.removeOutput("DP-2");
    compositor.addOutput("HDMI-A-1", "Projector", 4096, 1920);
    client.sync();
    client.sync();  // the new output's xdg-output answers
    ASSERT_EQ(client.displays.screens().size(), 2u);
    pipeline.handle(DisplayMonitor::Event::reconfigured);
    client.time.advance(8s);

    const auto left = client.tables(compositor, "DP-1"), projector = client.tables(compositor, "HDMI-A-1");
    ASSERT_FALSE(projector.empty());
    for (const auto* tables : {&left, &projector})
        EXPECT_EQ(whites(tables->back()), whites(Kelvin::gains(2700)));
    EXPECT_EQ(projector.back().size(), 3 * 4096u);
    EXPECT_FALSE(client.logger.contains("failed"));
}

// Only one client holds an output's gamma: the compositor's `failed` is a conflict, said once,
// and our table comes back when the other program lets go.
TEST(WaylandDisplays, ARefusedOutputIsReportedOnceAndTakenBackWhenFreed) {
    TestCompositor compositor;
    compositor.addOutput("DP-1", "Left", 256);
    compositor.addOutput("DP-2", "Right", 256, 1920);
    Client client(compositor);
    GammaController gamma(client.displays, client.time, client.logger);
    const auto left = client.id("Left"), right = client.id("Right");

    compositor.takeByCompetitor("DP-1");
    gamma.apply(Kelvin::gains(3400), {left, right});
    EXPECT_TRUE(client.tables(compositor, "DP-1").empty());
    EXPECT_EQ(client.tables(compositor, "DP-2").size(), 1u);
    client.time.advance(6s);  // the watchdog tries again, and is refused again
    EXPECT_EQ(client.logger.count("refuses our tables on DP-1"), 1u);
    compositor.releaseCompetitor("DP-1");
    client.time.advance(2s);
    EXPECT_EQ(client.tables(compositor, "DP-1").size(), 1u);
}

TEST(WaylandDisplays, TheCompositorGoingAwayEndsTheConnectionOnceWithoutACrash) {
    TestCompositor compositor;
    compositor.addOutput("DP-1", "Left", 256);
    Client client(compositor);
    int lost = 0;
    client.connection->setOnLost([&] { ++lost; });
    GammaController gamma(client.displays, client.time, client.logger);
    const auto left = client.id("Left");
    gamma.apply(Kelvin::gains(3400), {left});

    compositor.stop();
    pollfd hungUp{wl_display_get_fd(client.connection->display()), POLLIN, 0};
    ASSERT_EQ(poll(&hungUp, 1, 2000), 1);
    client.connection->dispatch();
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(client.connection->isAlive());
    EXPECT_TRUE(client.displays.screens().empty());
    const float ramp[] = {0.0f, 1.0f};
    EXPECT_EQ(client.displays.writeTable(left, 2, ramp, ramp, ramp),
              WaylandDisplays::connectionLost);
    gamma.restore();
    client.time.advance(4s);
    EXPECT_EQ(lost, 1);
}

}  // namespace
}  // namespace vesperine
