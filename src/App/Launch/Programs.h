#pragma once

#include <QCoreApplication>

#include <memory>
#include <optional>

#include "App/AppInfo.h"
#include "App/ControlStatus.h"
#include "App/LaunchOptions.h"
#include "Platform/Logger.h"

namespace vesperine {

class StartupSignalGuard;
class X11Connection;
class WaylandConnection;
class ExecRelaunch;

// The program on a real X display: RandR gamma on every output, key grabs, the Linux and X11
// system events, the single-instance lock, termination on the signals SignalWatcher lists and
// the Off toggle on SIGUSR1. Releases `guard` right before the first write to a display.
// Runs the Qt event loop until the program is asked to quit; returns the exit status.
// `relaunch` remembers a request to start another program in this one's place; the caller
// carries it out once this returns, with the displays given back.
int runOnX11(const LaunchOptions& options, const AppInfo& info,
             std::unique_ptr<X11Connection> connection, Logger& logger, StartupSignalGuard& guard,
             ExecRelaunch& relaunch);

// The program on a Wayland compositor: wlr-gamma-control tables on every output where the
// compositor offers them, else the desktop's night light (GNOME) or nothing (KDE Plasma), said
// so; hot keys through the desktop portal; the application in front from the compositor's
// toplevel list. Otherwise as `runOnX11`; X11 ramps are never written through Xwayland.
int runOnWayland(const LaunchOptions& options, const AppInfo& info,
                 std::unique_ptr<WaylandConnection> connection, Logger& logger,
                 StartupSignalGuard& guard, ExecRelaunch& relaunch);

// Opens the X display named by DISPLAY, waiting for it when it does not answer yet (a
// session that starts us before its server is ready): tries again after 0.25 s, doubling to
// at most 8 s between tries, for `patienceSeconds` in all; every try is logged. With no
// patience it tries once and logs why it failed. Runs under a StartupSignalGuard, which ends
// the process on a termination signal while it waits or while a server that accepted the
// connection does not answer.
std::unique_ptr<X11Connection> openX11WhenReady(Logger& logger, double patienceSeconds = 120);

// The Qt core application of a command that runs a loop of its own (bus calls, timers) and
// opens no window: Qt's timers and socket notifiers want one to exist.
class CommandApplication {
public:
    CommandApplication() : application_(argc_, argv_) {}

private:
    int argc_ = 1;
    char name_[10] = "vesperine";
    char* argv_[2] = {name_, nullptr};
    QCoreApplication application_;
};

// Names the descriptor on which a held run (LaunchOptions::hold) reports to the command that
// started it whether its pick shows.
inline constexpr const char* holdReportVariable = "VESPERINE_HOLD_REPORT_FD";

// The exit status of a launch or a command whose request the running instance was sent but
// did not answer in time: it may still carry it out. (0: done; 1: not done; 2: refused.)
inline constexpr int unansweredStatus = 3;

// A command for the running instance ("vesperine warm 3400"), over the session bus: prints
// what the instance now shows (or, for status, its status) and returns 0; says why on stderr
// and returns 1 when no instance runs, it refused or it could not be asked, and
// `unansweredStatus` when it was asked and did not answer in time. The bus name's owner is
// trusted only when it holds the instance lock. Starts no user interface and touches no
// display.
int runControlCommand(const ControlCommand& command, const AppInfo& info);

// A change of what the displays show (warm, red, bright, off, reset) asked while no instance
// runs: acts once on every display of the session and exits. On X11 the tables are written
// through the display pipeline, read back and left on the displays, which keep them after
// their client has gone; the record of the outputs' own ramps stays, so that a later reset
// or start gives those back (reset also clears a tint with no record: the identity).
// Prints what now shows and returns 0 only when every display shows it; else says why on
// stderr and returns 1.
int runOneShot(const ControlCommand& command, const AppInfo& info);

// What the user's active schedule (from the stored schedule file, read and never written;
// else the default schedule) shows now, what comes next and the location, as the program
// would work them out if it ran: for a status asked while no instance runs.
ControlStatus storedScheduleStatus(const AppInfo& info);

// The program on simulated displays: replays one day of the user's active schedule at their
// location (from the stored schedule file, read and never written; else the default schedule
// at the time zone's city), says which, and prints, at each change, the schedule time, the
// mode and each display's target. Touches no display and writes none of the user's files.
int runSimulatedReplay(const LaunchOptions& options, const AppInfo& info);

}  // namespace vesperine
