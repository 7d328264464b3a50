#include <unistd.h>

#include <QGuiApplication>
#include <cstdlib>

#include "App/Launch/DesktopProgram.h"

#include "App/AppDelegate.h"
#include "App/Launch/Programs.h"
#include "Input/HotkeyAction.h"
#include "Platform/Linux/NightLight/DesktopNightLight.h"
#include "Platform/Linux/NightLight/NightLightGamma.h"
#include "Platform/Linux/Portal/PortalHotkeys.h"
#include "Platform/LogOnce.h"
#include "Platform/Wayland/SwayCommands.h"
#include "Platform/Wayland/WaylandConnection.h"
#include "Platform/Wayland/WaylandDisplays.h"
#include "Platform/Wayland/WaylandWorkspace.h"

namespace vesperine {

int runOnWayland(const LaunchOptions& options, const AppInfo& info,
                 std::unique_ptr<WaylandConnection> connection, Logger& logger,
                 StartupSignalGuard& guard, ExecRelaunch& relaunch) {
    DesktopProgram program(options, info, logger, guard, relaunch);
    GLibMainLoop& loop = program.loop();
    connection->attach(loop, loop);
    WaylandDisplays displays(*connection, loop, logger);
    // GNOME and KDE Plasma lend no gamma tables to other programs: there only the desktop's
    // own night light can show a tint (elsewhere nothing can be shown, and that is said).
    std::unique_ptr<NightLightTint> tint;
    std::unique_ptr<NightLightGamma> nightLight;
    DisplayGamma* gamma = &displays;
    if (!displays.offersGammaControl()) {
        // Before anything reads the night light: a run that was killed gives the user's own
        // settings back here.
        const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
        tint = DesktopNightLight::tintOf(desktop ? desktop : "",
                                         {program.defaults(), program.files(), program.sessionBus(),
                                          program.paths().configHome, logger});
        nightLight = std::make_unique<NightLightGamma>(tint.get(), logger);
        gamma = nightLight.get();
    }
    WaylandWorkspace workspace(*connection, program.entries(), program.self(), logger);
    // No program may grab keys on Wayland: the desktop portal binds them, where it offers that.
    PortalHotkeys hotkeys(program.sessionBus(), loop, logger, [](HotkeyID id) {
        auto action = hotkeyActionAt(id.id);
        return std::string(action ? label(*action) : "Vesperine");
    });
    LogOnce hotkeyLog(logger, "hotkeys");
    Handle portalAnswers;
    connection->setOnLost([&] { program.serverLost("the Wayland compositor is gone"); });
    const auto sayWhereKeysGo = [&] {
        if (hotkeys.state() != PortalHotkeys::State::unavailable) return;
        hotkeyLog.write(LogLevel::notice,
                        "This desktop offers no global shortcuts: bind the command line "
                        "(vesperine warm 3400, vesperine off, ...) in the compositor's "
                        "configuration instead");
    };
    // Qt cannot move a window on Wayland (the panel opens wherever the compositor puts a new
    // window); sway takes a command to move one, from us as from the user.
    std::optional<SwayCommands> sway;
    if (const char* socket = std::getenv("SWAYSOCK"); socket && *socket) sway.emplace(socket);
    Log placeLog(logger, "menu");
    std::function<bool(const std::string&, std::optional<std::pair<int, int>>)> placeShown;
    if (sway)
        placeShown = [&](const std::string& title, std::optional<std::pair<int, int>> at) {
            // On Xwayland (Qt on xcb) the window moves itself.
            if (QGuiApplication::platformName() != QLatin1String("wayland")) return true;
            std::string command = "[pid=" + std::to_string(::getpid()) + " title=\"" +
                                  SwayCommands::exactly(title) + "\"] floating enable, move ";
            command += at ? "absolute position " + std::to_string(at->first) + " " +
                                std::to_string(at->second)
                          : std::string("position cursor");
            const Status moved = sway->run(command);
            // Refused while the window is not mapped yet: the panel asks again, and says so if
            // it never gets there.
            if (!moved)
                placeLog.debug("sway did not move the panel: %s",
                               moved.error().description.c_str());
            return moved.ok();
        };
    const char* named = std::getenv("WAYLAND_DISPLAY");
    return program.run({displays, *gamma, displays, nullptr, hotkeys, workspace,
                        named && *named ? named : "wayland-0",
                        [&](AppDelegate& app) {
                            sayWhereKeysGo();
                            portalAnswers = hotkeys.observe([&] {
                                sayWhereKeysGo();
                                app.hotkeys().registerAll();
                            });
                        },
                        placeShown});
}

}  // namespace vesperine
