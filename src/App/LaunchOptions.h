#pragma once

#include <optional>
#include <string>
#include <vector>

#include "App/ControlCommand.h"
#include "Support/Result.h"

namespace vesperine {

// What the command line asks for. Parsing is strict: every argument must be one of the
// switches below, and a value must be well formed, so a mistyped switch is reported instead
// of starting a run the user did not ask for.
struct LaunchOptions {
    // The program's switches.
    bool reset = false;            // "--reset": reset the displays instead of the first evaluation
    bool checkForUpdates = false;  // "--check-for-updates"
    bool onboarding = false;       // "--onboarding"
    bool resetTips = false;        // "--reset-tips"

    // Ours, for a terminal.
    bool help = false;       // "--help" or "-h"
    bool verbose = false;    // "--verbose": the log on stderr too, debug lines included
    bool version = false;    // "--version"
    bool simulated = false;  // "--simulated": run on simulated displays, replaying a day
    // "--replay-seconds=N": real seconds the simulated replay of one day takes (default 60).
    std::optional<double> replaySeconds;
    // "--clock-scale=N": the schedule clock runs N times faster than real time.
    std::optional<double> clockScale;
    // "--clock-start=HH:MM": the schedule clock (or the replay's day) starts at that local
    // time today.
    std::optional<int> clockStartMinutes;

    // A command for the running instance ("vesperine warm 3400"): given as the first
    // argument, with nothing after it but its own arguments. The program then only talks to
    // the running instance: it starts no user interface and touches no display.
    std::optional<ControlCommand> command;
    // "--hold warm 3400" (red, bright): runs as the instance, without windows, showing that
    // pick until "vesperine reset", which ends it. Where tables live only while their client
    // runs (a Wayland compositor), this is what the command starts when no instance runs.
    bool hold = false;

    // The display server the program talks to.
    enum class Backend { x11, wayland };
    // "--backend=x11|wayland": talk to that server whatever the session says.
    std::optional<Backend> backend;

    // The two ways the program runs: on a display, or replaying a day on simulated ones.
    enum class Run { display, replay };

    // What the environment says about the session the program starts in.
    struct Session {
        bool waylandDisplay = false;  // WAYLAND_DISPLAY is set
        bool waylandSession = false;  // XDG_SESSION_TYPE is "wayland"
        bool x11Display = false;      // DISPLAY is set
        static Session fromEnvironment();
    };

    // A value follows its switch after "=" or as the next argument. Fails with one line
    // naming the first argument that is not a switch or whose value is malformed.
    static Result<LaunchOptions> parse(const std::vector<std::string>& arguments);
    static Result<LaunchOptions> parse(int argc, const char* const* argv);

    // The run chosen: the replay when asked for or when no X display is named.
    Run run(bool displayNamed) const {
        return simulated || !displayNamed ? Run::replay : Run::display;
    }
    // The server chosen: `--backend` when given, else Wayland in a Wayland session (its
    // display named, or the session type saying so), else X11. In a Wayland session the X
    // server is Xwayland, whose ramps change nothing on the real screens.
    Backend backendFor(const Session& session) const;
    // The run chosen for the session: the replay when asked for or when the chosen server
    // is not named at all (Wayland falls back to its default socket only in a session that
    // says it is one, or when asked for by name).
    Run run(const Session& session) const;
    // Refuses, with one line, a switch that `run` would not honour.
    Status checkFor(Run run) const;

    static const char* helpText();
};

// The environment variable that marks a process started by a test harness: start-up then
// does nothing at all, so a test can create the program's objects without touching displays.
inline constexpr const char* testHarnessVariable = "VESPERINE_TEST_HARNESS";

}  // namespace vesperine
