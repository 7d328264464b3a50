#include <unistd.h>
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "App/AppInfo.h"
#include "App/Launch/Programs.h"
#include "App/LaunchOptions.h"
#include "Platform/Linux/ExecRelaunch.h"
#include "Platform/Linux/RunningProgram.h"
#include "Platform/Linux/SignalWatcher.h"
#include "Platform/Linux/StandardStreams.h"
#include "Platform/Linux/StartupSignalGuard.h"
#include "Platform/Linux/SystemLogger.h"
#include "Platform/Wayland/WaylandConnection.h"
#include "Platform/X11/X11Connection.h"
#include "Support/SafeText.h"

namespace {

// A command line we cannot honour ends here, before any display is touched: the one line that
// says what is wrong (it may quote what was typed, so made safe to print), and where the
// usage is, as GNU programs do.
int refuse(const std::string& problem) {
    std::fprintf(stderr, "vesperine: %s\nTry 'vesperine --help'.\n",
                 vesperine::SafeText::forPeople(problem).c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vesperine;
    // Before anything opens a file, or it could take the number of stdout or stderr.
    StandardStreams::ensureOpen();

    const auto parsed = LaunchOptions::parse(argc, argv);
    if (!parsed) return refuse(parsed.error().description);
    const LaunchOptions& options = parsed.value();
    const AppInfo info = AppInfo::current();
    // A command only talks to the running instance: no window, no display, and Ctrl-C ends
    // it as it ends any command.
    if (options.command) return runControlCommand(*options.command, info);

    // Before anything can start a thread: every thread inherits the blocked signals, which
    // then wait for the start-up guard or the main loop.
    SignalWatcher::prepareProcess();
    if (options.help) {
        std::fputs(LaunchOptions::helpText(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s %s (%s)\n", info.displayName.c_str(), info.version.c_str(),
                    info.build.c_str());
        return 0;
    }
    const auto session = LaunchOptions::Session::fromEnvironment();
    const auto run = options.run(session);
    if (auto applies = options.checkFor(run); !applies) return refuse(applies.error().description);

    if (run == LaunchOptions::Run::replay) {
        QCoreApplication application(argc, argv);
        return runSimulatedReplay(options, info);
    }

    // A running instance that answers on the session bus takes this launch's request before
    // the display is opened; otherwise the instance lock decides, later.
    if (auto handedOver = handOverOnSessionBus(options, info)) return *handedOver;

    StartupSignalGuard guard;
    // VESPERINE_LOG_STDERR keeps the log on stderr only, even where a journal runs. Started
    // from a terminal, or with --verbose, the log shows there as well as in the journal.
    SystemLogger logger(info.bundleIdentifier,
                        std::getenv("VESPERINE_LOG_STDERR") ? SystemLogger::Sink::standardError
                                                            : SystemLogger::Sink::automatic,
                        options.verbose ? LogLevel::debug : LogLevel::info,
                        options.verbose || ::isatty(STDERR_FILENO) == 1);
    // In a Wayland session the X server is Xwayland: its ramps change nothing on the screens.
    const bool wayland = options.backendFor(session) == LaunchOptions::Backend::wayland;
    std::unique_ptr<X11Connection> x11;
    std::unique_ptr<WaylandConnection> compositor;
    if (wayland) {
        auto opened = WaylandConnection::open("", logger);
        if (!opened) {
            Log(logger, "app").error("%s", opened.error().description.c_str());
            return 1;
        }
        compositor = std::move(opened).value();
    } else {
        x11 = openX11WhenReady(logger);
        if (!x11) return 1;
    }
    // On a display the program has windows: Qt Widgets with the desktop's style. Qt opens
    // its own connection to the display, so only once the display has answered ours.
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromStdString(info.displayName));
    QApplication::setDesktopFileName(QString::fromStdString(info.bundleIdentifier));
    QApplication::setQuitOnLastWindowClosed(false);  // windows come and go; the program stays
    ExecRelaunch relaunch(RunningProgram::path(), {argv + 1, argv + argc}, logger);
    const int status =
        wayland ? runOnWayland(options, info, std::move(compositor), logger, guard, relaunch)
                : runOnX11(options, info, std::move(x11), logger, guard, relaunch);
    // Everything is given back and closed: start the program asked for in this one's place.
    if (relaunch.pending()) return relaunch.execPending() ? 0 : 1;
    return status;
}
