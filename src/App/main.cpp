#include <unistd.h>
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "App/AppInfo.h"
#include "App/Launch/Programs.h"
#include "App/Launch/QtPlatforms.h"
#include "App/LaunchOptions.h"
#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/Linux/Process/ExecRelaunch.h"
#include "Platform/Linux/Process/RunningProgram.h"
#include "Platform/Linux/Process/SignalWatcher.h"
#include "Platform/Linux/Process/StandardStreams.h"
#include "Platform/Linux/Process/StartupSignalGuard.h"
#include "Platform/Linux/System/SystemLogger.h"
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
    // The main loop is a source on GLib's loop, which Qt turns unless this asks it not to.
    ::unsetenv("QT_NO_GLIB");

    const auto parsed = LaunchOptions::parse(argc, argv);
    if (!parsed) return refuse(parsed.error().description);
    const LaunchOptions& options = parsed.value();
    const AppInfo info = AppInfo::current();
    // A command talks to the running instance, or acts once on the displays where none runs:
    // no window, and Ctrl-C ends it as it ends any command. (A held pick is an instance.)
    if (options.command && !options.hold) return runControlCommand(*options.command, info);

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

    // A running instance is handed this launch's request only once the install offer and the
    // migration have run (start-up's own order): the instance lock decides, in start-up.
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
        // A session may start us before its X server answers: autostart waits for it. Typed
        // in a terminal (standard input or error one), a display that does not answer is a
        // mistyped or stale DISPLAY, and the person waiting wants the reason now.
        const bool fromTerminal = ::isatty(STDIN_FILENO) == 1 || ::isatty(STDERR_FILENO) == 1;
        x11 = openX11WhenReady(logger, fromTerminal ? 0 : 120);
        if (!x11) return 1;
    }
    // Qt talks to the session bus on its own (the tray, accessibility, the desktop's
    // settings), each time blocking the main loop for as long as a daemon that takes the
    // connection and never answers keeps it. Ask once, within our bound: such a bus is no bus
    // for this process, Qt's connections and ours then failing at once.
    if (auto silent = BusConnection::silence(BusConnection::Bus::session, std::chrono::seconds(2))) {
        Log(logger, "app").error("%s; running without the session bus", silent->c_str());
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null", 1);
    }
    // On a display the program has windows: Qt Widgets with the desktop's style. Qt opens
    // its own connection to the display, so only once the display has answered ours. Where
    // no platform of Qt's can start, the last resort keeps the program running without
    // windows. Given as Qt's own switch, so that nothing we start inherits it.
    std::string platforms = QtPlatforms::toTry(std::getenv("QT_QPA_PLATFORM"), wayland);
    std::string platformSwitch = "-platform";
    std::vector<char*> qtArguments(argv, argv + argc);
    qtArguments.insert(qtArguments.begin() + 1, {platformSwitch.data(), platforms.data()});
    int qtArgumentCount = static_cast<int>(qtArguments.size());
    qtArguments.push_back(nullptr);
    QApplication application(qtArgumentCount, qtArguments.data());
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
