#include "App/LaunchOptions.h"

#include <cmath>
#include <cstdlib>
#include <string_view>

namespace vesperine {

LaunchOptions LaunchOptions::parse(const std::vector<std::string>& arguments) {
    LaunchOptions options;
    constexpr std::string_view replayPrefix = "--replay-seconds=";
    for (const auto& argument : arguments) {
        if (argument == "--reset") options.reset = true;
        else if (argument == "--check-for-updates") options.checkForUpdates = true;
        else if (argument == "--onboarding") options.onboarding = true;
        else if (argument == "--reset-tips") options.resetTips = true;
        else if (argument == "--help") options.help = true;
        else if (argument == "--version") options.version = true;
        else if (argument == "--simulated") options.simulated = true;
        else if (argument.starts_with(replayPrefix)) {
            const std::string value = argument.substr(replayPrefix.size());
            char* end = nullptr;
            const double seconds = std::strtod(value.c_str(), &end);
            // Only a positive, finite number of seconds is a usable replay length.
            if (!value.empty() && end && *end == '\0' && std::isfinite(seconds) && seconds > 0) {
                options.replaySeconds = seconds;
            }
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
           "  --onboarding          show the introduction again\n"
           "  --check-for-updates   check for updates at start\n"
           "  --reset-tips          show the tips again\n"
           "  --version             print the version and exit\n"
           "  --help                print this text and exit\n"
           "\n"
           "A second start while Vesperine runs asks the running one to come to the front.\n";
}

}  // namespace vesperine
