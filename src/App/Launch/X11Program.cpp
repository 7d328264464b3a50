#include <algorithm>
#include <chrono>
#include <thread>

// Qt's objects before any X11 header, whose macros would break them.
#include "App/Launch/DesktopProgram.h"

#include "App/Launch/Programs.h"
#include "Platform/X11/OwnRampRecord.h"
#include "Platform/X11/X11Connection.h"
#include "Platform/X11/X11Displays.h"
#include "Platform/X11/X11HotkeyService.h"
#include "Platform/X11/X11SystemEvents.h"
#include "Platform/X11/X11Workspace.h"

namespace vesperine {

std::unique_ptr<X11Connection> openX11WhenReady(Logger& logger, double patienceSeconds) {
    Log log(logger, "app");
    double waited = 0, delay = 0.25;
    for (int attempt = 1;; ++attempt) {
        auto connection = X11Connection::open("", logger);
        if (connection) {
            if (attempt > 1) log.notice("The X display answered after %.1f s", waited);
            return std::move(connection).value();
        }
        if (waited >= patienceSeconds) {
            if (attempt == 1) {
                log.error("%s", connection.error().description.c_str());
            } else {
                log.error("Gave up after %.0f s: %s", waited,
                          connection.error().description.c_str());
            }
            return nullptr;
        }
        delay = std::min(delay, patienceSeconds - waited);
        log.notice("%s; trying again in %.2f s (attempt %d)",
                   connection.error().description.c_str(), delay, attempt);
        std::this_thread::sleep_for(std::chrono::duration<double>(delay));
        waited += delay;
        delay = std::min(delay * 2, 8.0);
    }
}

int runOnX11(const LaunchOptions& options, const AppInfo& info,
             std::unique_ptr<X11Connection> connection, Logger& logger, StartupSignalGuard& guard,
             ExecRelaunch& relaunch) {
    DesktopProgram program(options, info, logger, guard, relaunch);
    GLibMainLoop& loop = program.loop();
    connection->attach(loop, loop);
    OwnRampRecord ownRamps(program.files(), logger, OwnRampRecord::runtimeFolder(),
                           info.bundleIdentifier);
    X11Displays displays(*connection, logger, &ownRamps);
    X11SystemEvents x11Events(*connection, logger);
    X11HotkeyService hotkeys(*connection, logger);
    X11Workspace workspace(*connection, program.entries(), program.self(), logger);
    connection->setOnLost([&] { program.serverLost("the X server is gone"); });
    return program.run({displays, displays, displays, &x11Events, hotkeys, workspace,
                        DisplayString(connection->display()), nullptr});
}

}  // namespace vesperine
