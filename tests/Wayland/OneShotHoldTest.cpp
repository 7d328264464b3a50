// Commands typed while no Vesperine runs, on a compositor that lends gamma tables only while
// the client that set them runs: the pick is held by a Vesperine started for it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "Support/ChildProcess.h"
#include "Support/PrivateBus.h"
#include "Support/TempFolder.h"
#include "TestCompositor.h"

namespace vesperine {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Row by row: Warm is held (a warm table on the output, kept by a live control) until reset
// takes it away; held again, it gives way to a plain start, which runs as the program proper,
// on its schedule, instead of handing over to a run that has no windows.
TEST(OneShotHold, APickIsHeldUntilResetOrAPlainStartTakesItsPlace) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address().empty()) << "no dbus-daemon";
    TempFolder home;
    fs::create_directories(home / "run");
    ::chmod((home / "run").c_str(), 0700);
    testing::TestCompositor compositor;
    compositor.addOutput("DP-1", "A monitor", 256);
    const std::string socket = home / "wayland-test";
    ASSERT_TRUE(compositor.listenAt(socket));
    const std::vector<std::string> environment{
        "WAYLAND_DISPLAY=" + socket,
        "XDG_SESSION_TYPE=wayland",
        "QT_QPA_PLATFORM=offscreen",
        "DBUS_SESSION_BUS_ADDRESS=" + bus.address(),
        "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + (home / "no-bus").string(),
        "XDG_RUNTIME_DIR=" + (home / "run").string(),
        "HOME=" + home.root(),
        "XDG_CONFIG_HOME=" + (home / "config").string(),
        "XDG_DATA_HOME=" + (home / "data").string(),
        "TZ=UTC"};
    std::string line = "env -i PATH=/usr/bin:/bin";
    for (const auto& variable : environment) line += " '" + variable + "'";
    const auto vesperine = [&](const std::string& arguments) {
        return runCommand(line + " " + VESPERINE_PROGRAM + " " + arguments + " 2>&1 </dev/null");
    };
    const auto warmShows = [&] {
        const auto tables = compositor.tables("DP-1");
        return compositor.controls("DP-1") == 1 && !tables.empty() &&
               tables.back()[255] > tables.back()[3 * 256 - 1] + 1000;  // red above blue
    };
    // A holder a failed row leaves behind ends with the compositor.
    const struct {
        const char* arguments;
        const char* said;
        bool warm;  // the output shows the pick, held by a live control; else no control
        bool read;  // changes nothing: asked again until it holds (a holder ends just after
                    // it has answered a reset)
    } rows[] = {
        {"warm 3400", "Showing Warm 3400K, held by Vesperine without windows (process ", true,
         false},
        {"reset", "Showing Off", false, false},
        {"status", " by the schedule now (not running)\n", false, true},  // the holder has gone
        {"warm 3400", "Showing Warm 3400K, held by", true, false},
    };
    for (const auto& row : rows) {
        CommandRun ran;
        const auto said = [&] {
            ran = vesperine(row.arguments);
            return ran.status == 0 && ran.output.find(row.said) != std::string::npos;
        };
        EXPECT_TRUE(row.read ? waitUntil(said, 5s) : said()) << row.arguments << ": " << ran.output;
        EXPECT_TRUE(waitUntil(
            [&] { return row.warm ? warmShows() : compositor.controls("DP-1") == 0; }, 3s))
            << row.arguments;
    }

    const int holderControls = compositor.controlsMade("DP-1");
    ChildProcess program({VESPERINE_PROGRAM}, {{1, "/dev/null"}, {2, home / "stderr.log"}}, SIGTERM,
                         environment);
    // The holder gives its table back and the program takes the output for its schedule.
    EXPECT_TRUE(waitUntil(
        [&] {
            return compositor.controlsMade("DP-1") == holderControls + 1 &&
                   compositor.controls("DP-1") == 1;
        },
        10s))
        << home.read("stderr.log");
    EXPECT_FALSE(program.wait(0ms)) << home.read("stderr.log");
    // It runs, on its schedule: the held pick was the command's, not a choice kept for it.
    CommandRun status;
    EXPECT_TRUE(waitUntil(
        [&] {
            status = vesperine("status");
            return status.output.find("\nWhy: the schedule\n") != std::string::npos;
        },
        5s))
        << status.output;
}

}  // namespace
}  // namespace vesperine
