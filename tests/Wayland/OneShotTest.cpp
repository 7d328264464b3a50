// Commands typed while no Vesperine runs, on compositors of our own: one that lends gamma tables
// only while the client that set them runs, where the pick is held by a Vesperine started for
// it; and one that lends none (as GNOME's and KDE Plasma's), where Warm goes through the
// desktop's night light, whose settings stay after the command, and reset gives the user's own
// back.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // At night, whatever the hour the test runs: by day its schedule shows Off here (no HDR),
    // which takes no control.
    ChildProcess program({VESPERINE_PROGRAM, "--clock-start=21:00"},
                         {{1, "/dev/null"}, {2, home / "stderr.log"}}, SIGTERM, environment);
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

// Row by row, on KDE Plasma (kwinrc) and GNOME (GSettings, in a key file here): a second
// Warm replaces the first (and reset still gives back the user's values, not the first
// Warm's), Red is refused without a change, and reset leaves the user's settings as they were.
TEST(OneShotNightLight, WarmStaysInTheNightLightUntilResetGivesTheUsersSettingsBack) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address().empty()) << "no dbus-daemon";
    testing::TestCompositor compositor({.gammaControl = false});
    compositor.addOutput("DP-1", "A monitor", 256);
    struct Desktop {
        const char* environment;
        fs::path settings;  // under the configuration folder
        std::string own;    // the user's, before any command
        const char* warm;   // what a Warm of 2700 K writes there
        std::string given;  // what shows that the user's own are back
    };
    const Desktop desktops[] = {
        {"XDG_CURRENT_DESKTOP=KDE KDE_SESSION_VERSION=6", "kwinrc",
         "[NightLight]\nActive=false\nNightTemperature=4500\n\n[Other]\nKey=1\n",
         "NightTemperature=2700",
         "[NightLight]\nActive=false\nNightTemperature=4500\n\n[Other]\nKey=1\n"},
        {"XDG_CURRENT_DESKTOP=GNOME GSETTINGS_BACKEND=keyfile", "glib-2.0/settings/keyfile",
         "[org/gnome/settings-daemon/plugins/color]\nnight-light-temperature=4500\n",
         "night-light-temperature=2700", "night-light-temperature=4500\nnight-light-enabled=false"},
    };
    for (const Desktop& desktop : desktops) {
        SCOPED_TRACE(desktop.environment);
        TempFolder home;
        const fs::path settings = home / "config" / desktop.settings;
        home.write(settings, desktop.own);
        const struct {
            const char* arguments;
            int status;
            const char* said;
            const char* holds;  // in the settings after the command
        } rows[] = {
            {"warm 3400", 0, "Showing Warm 3400K through the desktop's Night Light", "3400"},
            {"warm 2700", 0, "Showing Warm 2700K through", desktop.warm},
            {"red 80", 1, "vesperine: Red isn't available on this desktop.", desktop.warm},
            {"reset", 0, "Showing Off (not running)\n", desktop.given.c_str()},
        };
        for (const auto& row : rows) {
            // The command's own end of a connection to the compositor, kept across exec.
            const int socket = ::fcntl(compositor.connectClient(), F_DUPFD, 3);
            const CommandRun ran = runCommand(
                std::string("env -u DISPLAY -u WAYLAND_DISPLAY XDG_SESSION_TYPE=wayland ") +
                desktop.environment + " WAYLAND_SOCKET=" + std::to_string(socket) +
                " DBUS_SESSION_BUS_ADDRESS='" + bus.address() + "' XDG_RUNTIME_DIR=" + home.root() +
                " XDG_CONFIG_HOME=" + (home / "config").string() +
                " XDG_DATA_HOME=" + (home / "data").string() + " TZ=UTC " + VESPERINE_PROGRAM +
                " " + row.arguments + " 2>&1 </dev/null");
            ::close(socket);
            EXPECT_EQ(ran.status, row.status) << row.arguments << ": " << ran.output;
            EXPECT_TRUE(ran.output.starts_with(row.said)) << row.arguments << ": " << ran.output;
            const std::string now = home.read(settings);
            EXPECT_NE(now.find(row.holds), std::string::npos) << row.arguments << ": " << now;
        }
    }
}

}  // namespace
}  // namespace vesperine
