#include "App/LaunchOptions.h"

#include <cmath>
#include <cstdlib>
#include <string_view>

namespace vesperine {

namespace {

// The value after `prefix` when it is a positive, finite number and nothing else.
std::optional<double> positiveNumber(const std::string& argument, std::string_view prefix) {
    const std::string value = argument.substr(prefix.size());
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (value.empty() || !end || *end != '\0' || !std::isfinite(number) || number <= 0) {
        return std::nullopt;
    }
    return number;
}

// "HH:MM" with an hour below 24 and a minute below 60, as minutes after midnight.
std::optional<int> clockTime(const std::string& argument, std::string_view prefix) {
    const std::string value = argument.substr(prefix.size());
    if (value.size() != 5 || value[2] != ':') return std::nullopt;
    for (std::size_t i : {0u, 1u, 3u, 4u}) {
        if (value[i] < '0' || value[i] > '9') return std::nullopt;
    }
    const int hour = std::stoi(value.substr(0, 2)), minute = std::stoi(value.substr(3, 2));
    if (hour > 23 || minute > 59) return std::nullopt;
    return hour * 60 + minute;
}

}  // namespace

LaunchOptions LaunchOptions::parse(const std::vector<std::string>& arguments) {
    LaunchOptions options;
    constexpr std::string_view replayPrefix = "--replay-seconds=";
    constexpr std::string_view scalePrefix = "--clock-scale=";
    constexpr std::string_view startPrefix = "--clock-start=";
    for (const auto& argument : arguments) {
        if (argument == "--reset")
            options.reset = true;
        else if (argument == "--check-for-updates")
            options.checkForUpdates = true;
        else if (argument == "--onboarding")
            options.onboarding = true;
        else if (argument == "--reset-tips")
            options.resetTips = true;
        else if (argument == "--help")
            options.help = true;
        else if (argument == "--version")
            options.version = true;
        else if (argument == "--simulated")
            options.simulated = true;
        else if (argument.starts_with(replayPrefix)) {
            if (auto seconds = positiveNumber(argument, replayPrefix))
                options.replaySeconds = seconds;
        } else if (argument.starts_with(scalePrefix)) {
            if (auto scale = positiveNumber(argument, scalePrefix)) options.clockScale = scale;
        } else if (argument.starts_with(startPrefix)) {
            if (auto minutes = clockTime(argument, startPrefix))
                options.clockStartMinutes = minutes;
        }
    }
    return options;
}

LaunchOptions LaunchOptions::parse(int argc, const char* const* argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    return parse(arguments);
}

const char* LaunchOptions::helpText() {
    return "Usage: vesperine [options]\n"
           "\n"
           "Changes how every display renders brightness and colour through the day, following\n"
           "the active schedule. Runs on the X display named by DISPLAY; without one it runs on\n"
           "simulated displays (as with --simulated).\n"
           "\n"
           "  --reset               give every display its own colours back and hold Off until\n"
           "                        you pick something, instead of following the schedule\n"
           "  --simulated           run on simulated displays: replay one day of the active\n"
           "                        schedule quickly and print each change\n"
           "  --replay-seconds=N    with --simulated: take N real seconds for the day (60)\n"
           "  --clock-scale=N       run the schedule's clock N times faster than real time\n"
           "                        (for trying a schedule out; the default is 1)\n"
           "  --clock-start=HH:MM   start the schedule's clock at HH:MM today (local time)\n"
           "  --version             print the version and exit\n"
           "  --help                print this text and exit\n"
           "\n"
           "A second start while Vesperine runs asks the running one to come to the front, or\n"
           "with --reset to reset the displays, and says on the terminal what happened.\n";
}

}  // namespace vesperine
