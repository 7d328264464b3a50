#include "Platform/Wayland/WaylandWorkspace.h"

#include <gtest/gtest.h>

#include "Platform/Simulated/CapturingLogger.h"
#include "TestCompositor.h"

namespace vesperine {
namespace {

using testing::TestCompositor;

struct Client {
    explicit Client(TestCompositor& compositor)
        : connection(std::move(WaylandConnection::adopt(compositor.connectClient(), logger)).value()),
          workspace(*connection, entries, self, logger) {}
    void sync() { connection->roundtrip(); }
    std::optional<std::string> front() const {
        const auto& application = workspace.frontmost()->application;
        return application ? application->bundleID : std::nullopt;
    }

    CapturingLogger logger;
    DesktopEntries entries{{}, "C", logger};
    RunningApplication self{"com.brevan.vesperine", "Vesperine", 42};
    std::unique_ptr<WaylandConnection> connection;
    WaylandWorkspace workspace;
};

TEST(WaylandWorkspace, FollowsTheActivatedToplevelAndTheApplicationsThatQuit) {
    TestCompositor compositor;
    const auto player = compositor.addToplevel("org.example.Player");
    Client client(compositor);  // a toplevel that was there before we came is listed too
    const auto editor = compositor.addToplevel("org.example.Editor");
    const auto secondPlayer = compositor.addToplevel("org.example.Player");
    const auto ours = compositor.addToplevel("com.brevan.vesperine");
    std::vector<std::string> quit;
    auto terminations = client.workspace.observeTerminations(
        [&](const RunningApplication& application) { quit.push_back(*application.bundleID); });
    client.sync();
    EXPECT_TRUE(client.workspace.available());
    EXPECT_EQ(client.front(), std::nullopt);
    EXPECT_EQ(client.workspace.runningApplications().size(), 3u);

    compositor.activate(editor);
    client.sync();
    EXPECT_EQ(client.front(), "org.example.Editor");
    compositor.activate(ours);
    client.sync();
    EXPECT_EQ(client.workspace.frontmost()->application, client.self);

    compositor.activate(player);
    compositor.setFullScreen(player, true);
    client.sync();
    EXPECT_FALSE(client.workspace.frontmost()->fullScreen);  // not followed yet
    client.workspace.followFullScreen(true);
    EXPECT_TRUE(client.workspace.frontmost()->fullScreen);

    compositor.closeToplevel(player);  // the player keeps a window: it has not quit
    client.sync();
    EXPECT_EQ(client.front(), std::nullopt);
    EXPECT_TRUE(quit.empty());
    compositor.closeToplevel(secondPlayer);
    client.sync();
    EXPECT_EQ(quit, std::vector<std::string>{"org.example.Player"});
}

TEST(WaylandWorkspace, WithoutTheToplevelListNothingIsInFrontAndTheLogSaysWhy) {
    TestCompositor compositor({.toplevels = false});
    Client client(compositor);
    EXPECT_FALSE(client.workspace.available());
    EXPECT_EQ(client.front(), std::nullopt);
    EXPECT_EQ(client.logger.count("app rules cannot apply"), 1u);
}

}  // namespace
}  // namespace vesperine
