#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vesperine {

// What the command line asks for. Each switch is matched as an exact argument anywhere in the
// list; arguments we do not know are ignored (a desktop launcher may add its own).
struct LaunchOptions {
    // The program's switches.
    bool reset = false;            // "--reset": reset the displays instead of the first evaluation
    bool checkForUpdates = false;  // "--check-for-updates"
    bool onboarding = false;       // "--onboarding"
    bool resetTips = false;        // "--reset-tips"

    // Ours, for a terminal.
    bool help = false;       // "--help"
    bool version = false;    // "--version"
    bool simulated = false;  // "--simulated": run on simulated displays, replaying a day
    // "--replay-seconds=N": real seconds the simulated replay of one day takes (default 60).
    std::optional<double> replaySeconds;
    // "--clock-scale=N": the schedule clock runs N times faster than real time.
    std::optional<double> clockScale;
    // "--clock-start=HH:MM": the schedule clock starts at that local time today.
    std::optional<int> clockStartMinutes;

    static LaunchOptions parse(const std::vector<std::string>& arguments);
    static LaunchOptions parse(int argc, const char* const* argv);

    static const char* helpText();
};

// The environment variable that marks a process started by a test harness: start-up then
// does nothing at all, so a test can create the program's objects without touching displays.
inline constexpr const char* testHarnessVariable = "VESPERINE_TEST_HARNESS";

}  // namespace vesperine
