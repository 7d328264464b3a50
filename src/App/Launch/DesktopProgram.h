#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "App/AppInfo.h"
#include "App/LaunchOptions.h"
#include "Platform/DisplayServices.h"
#include "Platform/HotkeyService.h"
#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/Linux/Files/JsonFileDefaultsStore.h"
#include "Platform/Linux/Files/PosixFileSystem.h"
#include "Platform/Linux/Files/XdgPaths.h"
#include "Platform/Linux/Install/DesktopEntries.h"
#include "Platform/Linux/Instance/LockFileSingleInstance.h"
#include "Platform/Linux/System/GLibMainLoop.h"
#include "Platform/Linux/System/LinuxSystemEvents.h"
#include "Platform/Linux/System/SystemClock.h"
#include "Platform/Linux/System/SystemTimeZone.h"
#include "Platform/Workspace.h"

namespace vesperine {

class AppDelegate;
class ExecRelaunch;
class StartupSignalGuard;

// The program on a desktop, whatever its display server: the main loop, the stored files,
// the buses, the Linux system events, the single-instance lock, the tray, the windows and
// the signals. A launcher makes one, makes its display server's backends with what it
// offers, and hands them to `run`.
class DesktopProgram {
  public:
    // The seams a display server answers.
    struct Session {
        DisplayList& displays;
        DisplayGamma& gamma;
        DisplayEvents& displayEvents;
        SystemEvents* serverEvents;  // heard beside the Linux ones; none: only those
        HotkeyService& hotkeys;
        Workspace& workspace;
        std::string where;  // for the start line: the display's name
        // Called once start-up has run (the hot keys' own registration, for instance).
        std::function<void(AppDelegate&)> started;
        // Where the compositor places our windows but takes commands for that: the panel's
        // way to its place (see MenuServices::placeShown). Empty elsewhere.
        std::function<bool(const std::string&, std::optional<std::pair<int, int>>)> placeShown{};
    };

    DesktopProgram(const LaunchOptions& options, const AppInfo& info, Logger& logger,
                   StartupSignalGuard& guard, ExecRelaunch& relaunch);
    ~DesktopProgram();
    DesktopProgram(const DesktopProgram&) = delete;
    DesktopProgram& operator=(const DesktopProgram&) = delete;

    GLibMainLoop& loop() { return loop_; }
    Logger& logger() { return logger_; }
    PosixFileSystem& files() { return files_; }
    JsonFileDefaultsStore& defaults() { return defaults_; }
    DesktopEntries& entries() { return entries_; }
    const XdgPaths& paths() const { return paths_; }
    // None when the machine or the session has no such bus.
    BusConnection* systemBus() { return systemBus_.get(); }
    BusConnection* sessionBus() { return sessionBus_.get(); }
    // This program as the workspace reports its own windows.
    RunningApplication self() const;

    // Runs the Qt event loop until the program is asked to quit; returns the exit status.
    int run(const Session& session);
    // The display server has gone: nothing can be written any more, so the run ends (status
    // 1) with what was saved.
    void serverLost(const std::string& why);

  private:
    const LaunchOptions& options_;
    const AppInfo& info_;
    Logger& logger_;
    StartupSignalGuard& guard_;
    ExecRelaunch& relaunch_;
    GLibMainLoop loop_;
    SystemClock clock_;
    SystemTimeZone zones_;
    PosixFileSystem files_;
    XdgPaths paths_;
    JsonFileDefaultsStore defaults_;
    LockFileSingleInstance instance_;
    std::unique_ptr<BusConnection> systemBus_;
    std::unique_ptr<BusConnection> sessionBus_;
    DesktopEntries entries_;
    AppDelegate* app_ = nullptr;  // while `run` runs
    int status_ = 0;
};

}  // namespace vesperine
