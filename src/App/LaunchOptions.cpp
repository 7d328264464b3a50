#include "App/LaunchOptions.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace vesperine {

namespace {

// A number in (0, 86400] and nothing else. Both switches that take one scale a day: a
// larger value would only overflow the arithmetic that paces it.
std::optional<double> positiveNumber(const std::string& value) {
    if (value.empty() || !(std::isdigit(static_cast<unsigned char>(value[0])) || value[0] == '.'))
        return std::nullopt;
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (*end != '\0' || !(number > 0 && number <= 86400)) return std::nullopt;
    return number;
}

// "HH:MM" with an hour below 24 and a minute below 60, as minutes after midnight.
std::optional<int> clockTime(const std::string& value) {
    if (value.size() != 5 || value[2] != ':') return std::nullopt;
    for (std::size_t i : {0u, 1u, 3u, 4u}) {
        if (value[i] < '0' || value[i] > '9') return std::nullopt;
    }
    const int hour = std::stoi(value.substr(0, 2)), minute = std::stoi(value.substr(3, 2));
    if (hour > 23 || minute > 59) return std::nullopt;
    return hour * 60 + minute;
}

Error malformed(const std::string& name, const char* wanted, const std::string& value) {
    return Error{name + " wants " + wanted + ", not '" + value + "'"};
}

}  // namespace

Result<LaunchOptions> LaunchOptions::parse(const std::vector<std::string>& arguments) {
    LaunchOptions options;
    if (!arguments.empty() && arguments[0] == "--hold") {
        const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
        const auto verb = rest.empty() ? std::nullopt : ControlCommand::verbNamed(rest[0]);
        using Verb = ControlCommand::Verb;
        if (!verb || (*verb != Verb::warm && *verb != Verb::red && *verb != Verb::bright)) {
            return Error{"--hold takes warm, red or bright (and a strength), not '" +
                         (rest.empty() ? std::string() : rest[0]) + "'"};
        }
        auto command = ControlCommand::parse(rest);
        if (!command) return command.error();
        options.command = std::move(command).value();
        options.hold = true;
        return options;
    }
    if (!arguments.empty() && ControlCommand::verbNamed(arguments[0])) {
        auto command = ControlCommand::parse(arguments);
        if (!command) return command.error();
        options.command = std::move(command).value();
        return options;
    }
    const std::pair<std::string_view, bool LaunchOptions::*> flags[] = {
        {"--reset", &LaunchOptions::reset},
        {"--check-for-updates", &LaunchOptions::checkForUpdates},
        {"--onboarding", &LaunchOptions::onboarding},
        {"--reset-tips", &LaunchOptions::resetTips},
        {"--help", &LaunchOptions::help},
        {"-h", &LaunchOptions::help},
        {"--version", &LaunchOptions::version},
        {"--verbose", &LaunchOptions::verbose},
        {"--simulated", &LaunchOptions::simulated},
    };
    constexpr const char* number = "a number greater than 0 and at most 86400";
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const auto equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        std::optional<std::string> value;
        if (equals != std::string::npos) value = argument.substr(equals + 1);

        bool isFlag = false;
        for (const auto& [flag, member] : flags) {
            if (name != flag) continue;
            if (value) return Error{name + " takes no value"};
            options.*member = true;
            isFlag = true;
        }
        if (isFlag) continue;
        if (name != "--replay-seconds" && name != "--clock-scale" && name != "--clock-start" &&
            name != "--backend") {
            return Error{
                (argument.starts_with('-') ? "unknown option '" : "unexpected argument '") +
                argument + "'"};
        }
        if (!value) {
            if (i + 1 == arguments.size()) return Error{name + " needs a value"};
            value = arguments[++i];
        }
        if (name == "--backend") {
            if (*value == "x11") {
                options.backend = Backend::x11;
            } else if (*value == "wayland") {
                options.backend = Backend::wayland;
            } else {
                return malformed(name, "x11 or wayland", *value);
            }
        } else if (name == "--clock-start") {
            options.clockStartMinutes = clockTime(*value);
            if (!options.clockStartMinutes)
                return malformed(name, "a time of day from 00:00 to 23:59 (HH:MM)", *value);
        } else {
            auto& field = name == "--clock-scale" ? options.clockScale : options.replaySeconds;
            field = positiveNumber(*value);
            if (!field) return malformed(name, number, *value);
        }
    }
    return options;
}

Result<LaunchOptions> LaunchOptions::parse(int argc, const char* const* argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    return parse(arguments);
}

LaunchOptions::Session LaunchOptions::Session::fromEnvironment() {
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    const char* type = std::getenv("XDG_SESSION_TYPE");
    return {set("WAYLAND_DISPLAY"), type && std::string_view(type) == "wayland", set("DISPLAY")};
}

LaunchOptions::Backend LaunchOptions::backendFor(const Session& session) const {
    if (backend) return *backend;
    return session.waylandDisplay || session.waylandSession ? Backend::wayland : Backend::x11;
}

LaunchOptions::Run LaunchOptions::run(const Session& session) const {
    const bool named = backendFor(session) == Backend::wayland
                           ? session.waylandDisplay || session.waylandSession || backend.has_value()
                           : session.x11Display;
    return run(named);
}

Status LaunchOptions::checkFor(Run run) const {
    if (run == Run::replay && hold) {
        return Status::failure(
            "--hold shows a pick on a display: it does not apply to the "
            "simulated replay");
    }
    if (run == Run::replay && onboarding) {
        return Status::failure(
            "--onboarding shows a window: it does not apply to the simulated replay");
    }
    if (run == Run::replay && backend) {
        return Status::failure("--backend chooses a display server: it does not apply to the "
                               "simulated replay");
    }
    if (run == Run::display && replaySeconds) {
        return Status::failure(
            "--replay-seconds applies only to the simulated replay (--simulated)");
    }
    if (run == Run::replay && clockScale) {
        return Status::failure(
            "--clock-scale does not apply to the simulated replay; set its length with "
            "--replay-seconds");
    }
    return success();
}

const char* LaunchOptions::helpText() {
    return "Usage: vesperine [options]\n"
           "       vesperine COMMAND [STRENGTH]\n"
           "       vesperine location [LAT:LON | CITY | --auto | --clear]\n"
           "       vesperine --hold warm|red|bright [STRENGTH]\n"
           "\n"
           "Changes how every display renders brightness and colour through the day, following\n"
           "the active schedule. Runs on the Wayland display of a Wayland session, else on the X\n"
           "display named by DISPLAY; without either it runs on simulated displays (as with\n"
           "--simulated).\n"
           "\n"
           "  --hold PICK           run without tray or windows, showing PICK (\"warm 3400\")\n"
           "                        until \"vesperine reset\" or a start of Vesperine ends\n"
           "                        it; the first argument\n"
           "  --reset               give every display its own colours back and hold Off until\n"
           "                        you pick something, instead of following the schedule\n"
           "  --simulated           run on simulated displays: replay one day of the active\n"
           "                        schedule quickly and print each change\n"
           "  --replay-seconds=N    with the replay: take N real seconds for the day (60)\n"
           "  --backend=x11|wayland talk to that display server whatever the session is\n"
           "  --clock-scale=N       on a display: run the schedule's clock N times faster than\n"
           "                        real time (for trying a schedule out; the default is 1)\n"
           "  --clock-start=HH:MM   start the schedule's clock (or the replayed day) at HH:MM\n"
           "                        today, local time\n"
           "  --onboarding          show the first-start walk-through again\n"
           "  --reset-tips          show the tips and the tray hint again from the start\n"
           "  --check-for-updates   look for a new version at start (a build without an\n"
           "                        update feed says so in the log)\n"
           "  --verbose             log to the terminal as well, debug lines included (a\n"
           "                        terminal gets the log without it, from info up)\n"
           "  --version             print the version and exit\n"
           "  -h, --help            print this text and exit\n"
           "\n"
           "Commands for the running Vesperine. Without one, status and location work from\n"
           "the stored schedules, and warm, red, off and reset act once on every display: on\n"
           "X11 the tint stays until \"vesperine reset\" or a start; on a wlroots compositor a\n"
           "Vesperine without windows holds it (--hold) until \"vesperine reset\"; on GNOME\n"
           "and Plasma Warm goes through their night light until \"vesperine reset\". resume\n"
           "and bright need a running one (exit status 1):\n"
           "  status                what is shown, why, and what comes next\n"
           "  warm [KELVIN]         Warm, at 1200K to 6500K when given\n"
           "  red [PERCENT]         Red, at 20% to 100% intensity when given\n"
           "  bright [PERCENT]      Bright, at 110% to 400% when given\n"
           "  off                   Off until the next scheduled change\n"
           "  resume                follow the schedule again\n"
           "  reset                 give every display its own colours back and hold Off\n"
           "  location [PLACE]      print the location, or set it: 48.85:2.35, 48.85,2.35 or\n"
           "                        a city's name; --auto asks the location service\n"
           "                        (GeoClue) once; --clear takes the time zone's city\n"
           "A picked mode lasts until the next scheduled change, unless a pick already runs:\n"
           "a new strength keeps its lifetime.\n"
           "\n"
           "A second start while Vesperine runs asks the running one to come to the front, or\n"
           "with --reset to reset the displays, and says on the terminal what happened.\n"
           "SIGUSR1 switches between the schedule and Off, like the Off hot key.\n";
}

}  // namespace vesperine
