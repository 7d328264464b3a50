// Commands typed while no Vesperine runs, on a compositor that lends no gamma tables (as
// GNOME's and KDE Plasma's): Warm goes through the desktop's night light, whose settings
// stay after the command, and reset gives the user's own back.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "Support/ChildProcess.h"
#include "Support/PrivateBus.h"
#include "Support/TempFolder.h"
#include "TestCompositor.h"

namespace vesperine {
namespace {

namespace fs = std::filesystem;

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
