// Qt's objects before any X11 header, whose macros would break them.
#include "Platform/Linux/System/GLibMainLoop.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "App/ControlStatus.h"
#include "App/Launch/Programs.h"
#include "App/Preferences.h"
#include "Display/DisplayPipeline.h"
#include "Platform/EDRSurface.h"
#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/Linux/Files/JsonFileDefaultsStore.h"
#include "Platform/Linux/Files/PosixFileSystem.h"
#include "Platform/Linux/Files/XdgPaths.h"
#include "Platform/Linux/NightLight/DesktopNightLight.h"
#include "Platform/Linux/NightLight/NightLightGamma.h"
#include "Platform/Linux/Process/RunningProgram.h"
#include "Platform/Wayland/WaylandConnection.h"
#include "Platform/Wayland/WaylandDisplays.h"
#include "Platform/X11/OwnRampRecord.h"
#include "Platform/X11/X11Connection.h"
#include "Platform/X11/X11Displays.h"
#include "State/ModeResolver.h"
#include "Support/SafeText.h"

namespace vesperine {

namespace {

// The first error the backends log is the reason a command gives when it fails; the rest of
// the log has no reader here.
class FirstErrorLogger final : public Logger {
public:
    void write(LogLevel level, std::string_view, std::string_view message) override {
        if (level == LogLevel::error && first_.empty()) first_ = message;
    }
    const std::string& first() const { return first_; }

private:
    std::string first_;
};

class OneShotNoEDRSurfaces final : public EDRSurfaceFactory {
public:
    std::unique_ptr<EDRSurface> make(const PlatformScreen&) override { return nullptr; }
};

int oneShotFailure(const std::string& problem, const FirstErrorLogger& logger) {
    std::string line = problem;
    if (!logger.first().empty()) line += " (" + logger.first() + ")";
    std::fprintf(stderr, "vesperine: %s\n", SafeText::forPeople(line).c_str());
    return 1;
}

// The mode a command asks for: its strength, else the one the user last chose for the kind.
DisplayMode askedMode(const ControlCommand& command, const AppInfo& info, PosixFileSystem& files,
                      Logger& logger) {
    const auto kind = command.kind().value_or(DisplayMode::Kind::off);
    if (kind == DisplayMode::Kind::off) return DisplayMode::off();
    Preferences remembered;
    // Read only: a strength given here is shown, not remembered for the next pick.
    auto defaults = JsonFileDefaultsStore::openReadOnly(
        files, logger, XdgPaths::fromEnvironment().defaultsFile(info.bundleIdentifier));
    if (defaults && defaults.value()) remembered = Preferences::load(*defaults.value());
    if (!command.strength) return preferredMode(kind, remembered);
    remembered.setStrength(kind, *command.strength);
    return preferredMode(kind, remembered);
}

// X11 keeps a CRTC's ramp after its client has gone: the tables are written through the
// pipeline, read back and left on the displays. The record of the outputs' own ramps stays
// with them, so that `reset`, or an instance that starts, gives those back.
int oneShotOnX11(const ControlCommand& command, const AppInfo& info) {
    FirstErrorLogger logger;
    auto connection = X11Connection::open("", logger);
    if (!connection) return oneShotFailure(connection.error().description, FirstErrorLogger{});
    const CommandApplication application;
    GLibMainLoop loop;
    PosixFileSystem files;
    OwnRampRecord ownRamps(files, logger, OwnRampRecord::runtimeFolder(), info.bundleIdentifier);
    X11Displays displays(*connection.value(), logger, &ownRamps);
    const bool reset = command.verb == ControlCommand::Verb::reset;
    if (reset) displays.takeIdentityAsOwn();
    OneShotNoEDRSurfaces surfaces;
    DisplayPipeline pipeline(displays, displays, surfaces, loop, logger);
    if (pipeline.displays()->empty()) {
        return oneShotFailure("No output of the X display " +
                                  std::string(DisplayString(connection.value()->display())) +
                                  " is lit, so none was changed",
                              logger);
    }
    const DisplayMode mode = askedMode(command, info, files, logger);
    if (auto why = ModeResolver::unavailable(mode.kind(), pipeline.anyDisplaySupportsBoost(),
                                             displays.colourControl())) {
        return oneShotFailure(*why, logger);
    }
    pipeline.showNow(mode.target());

    // What each display should show now: the table just written, or its own.
    std::map<DisplayID, GammaTable::Channels> meant;
    std::vector<std::string> missed;
    for (const auto& display : pipeline.displays().get()) {
        const auto& written = pipeline.gamma().written();
        auto table = mode.target().isOff() ? displays.ownRamp(display.id) : std::nullopt;
        if (const auto found = written.find(display.id); found != written.end())
            table = found->second;
        if (table) {
            meant[display.id] = std::move(*table);
        } else {
            missed.push_back(display.name);
        }
    }
    for (DisplayID id : GammaController::notShowing(displays, meant)) {
        for (const auto& display : pipeline.displays().get())
            if (display.id == id) missed.push_back(display.name);
    }
    const std::string shown = ControlStatus::withStrength(mode);
    if (!missed.empty()) {
        std::string names;
        for (const auto& name : missed) names += (names.empty() ? "" : ", ") + name;
        return oneShotFailure("Couldn't show " + shown + " on " + names, logger);
    }
    std::printf("%s\n",
                SafeText::forPeople("Showing " + shown +
                                    (mode.target().isOff()
                                         ? " (not running)"
                                         : " (not running: it stays until \"vesperine reset\" "
                                           "or until Vesperine starts)"))
                    .c_str());
    return 0;
}

// How long a held run may take to start and say whether its pick shows.
constexpr auto holdPatience = std::chrono::seconds(15);

// The pick's strength as the command line types it (kelvin, or a percent).
std::string typed(const DisplayMode& mode) {
    const double value =
        mode.kind() == DisplayMode::Kind::warm ? mode.strength() : mode.strength() * 100;
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

// Starts `vesperine --hold KIND STRENGTH` in a session of its own, its standard streams on
// /dev/null, and waits for the one line it reports; returns it, or why none came.
struct HoldStart {
    pid_t pid = -1;
    std::optional<std::string> report;  // empty: the pick shows
    std::string problem;                // when there is no report
};
HoldStart startHeld(const DisplayMode& mode) {
    HoldStart start;
    // A socket rather than a pipe: a run that reports after this command gave up must not
    // be ended by SIGPIPE (it sends with MSG_NOSIGNAL).
    int report[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, report) != 0) {
        start.problem = std::string("Couldn't make a socket: ") + std::strerror(errno);
        return start;
    }
    const std::string program = RunningProgram::path();
    const std::string kind = rawValue(mode.kind());
    const std::string strength = typed(mode);
    const std::string variable = std::string(holdReportVariable) + "=3";
    std::vector<char*> environment;
    for (char** entry = environ; *entry; ++entry)
        if (!std::string_view(*entry).starts_with(holdReportVariable))
            environment.push_back(*entry);
    environment.push_back(const_cast<char*>(variable.c_str()));
    environment.push_back(nullptr);
    start.pid = ::fork();
    if (start.pid == 0) {
        // Only async-signal-safe calls until exec.
        ::setsid();
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        if (report[1] == 3) {
            ::fcntl(3, F_SETFD, 0);
        } else {
            ::dup2(report[1], 3);
        }
        const char* argv[] = {"vesperine", "--hold", kind.c_str(), strength.c_str(), nullptr};
        ::execve(program.c_str(), const_cast<char* const*>(argv), environment.data());
        ::_exit(127);
    }
    ::close(report[1]);
    if (start.pid < 0) {
        start.problem = std::string("Couldn't start Vesperine: ") + std::strerror(errno);
        ::close(report[0]);
        return start;
    }
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + holdPatience;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{report[0], POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) == 0) {
            start.problem = "The Vesperine started to hold the pick (process " +
                            std::to_string(start.pid) + ") didn't say within 15 s whether it shows";
            break;
        }
        char buffer[512];
        const ssize_t n = ::read(report[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n > 0) line.append(buffer, static_cast<std::size_t>(n));
        if (const auto end = line.find('\n'); end != std::string::npos) {
            start.report = line.substr(0, end);
            break;
        }
        if (n <= 0) {
            // Closed without a word: it has ended, or is about to.
            int status = 0;
            bool ended = false;
            for (int tries = 0; !ended && tries < 20; ++tries) {
                ended = ::waitpid(start.pid, &status, WNOHANG) == start.pid;
                if (!ended) ::usleep(100'000);
            }
            start.problem = "The Vesperine started to hold the pick ended before it showed" +
                            (ended && WIFEXITED(status)
                                 ? " (status " + std::to_string(WEXITSTATUS(status)) + ")"
                                 : std::string());
            break;
        }
    }
    ::close(report[0]);
    return start;
}

// GNOME and KDE Plasma keep the displays' colour to themselves and lend their night light,
// whose settings stay after the command has gone: Warm is shown through it, the user's own
// settings kept in the defaults store as a run keeps them, so that `reset` (which makes the
// tint, and the tint gives them back at once) or an instance that starts returns them.
int oneShotThroughNightLight(const ControlCommand& command, const AppInfo& info,
                             WaylandDisplays& displays, GLibMainLoop& loop, PosixFileSystem& files,
                             FirstErrorLogger& logger) {
    // Refused before the tint is made: making it gives back what an earlier command kept,
    // and a refusal changes nothing.
    const DisplayMode mode = askedMode(command, info, files, logger);
    if (auto why = ModeResolver::unavailable(mode.kind(), false, ColourControl::nightLight))
        return oneShotFailure(*why, FirstErrorLogger{});
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    const XdgPaths paths = XdgPaths::fromEnvironment();
    JsonFileDefaultsStore defaults(files, logger, paths.defaultsFile(info.bundleIdentifier));
    auto opened = BusConnection::open(BusConnection::Bus::session, loop, loop);
    std::unique_ptr<BusConnection> bus = opened ? std::move(opened).value() : nullptr;
    auto tint = DesktopNightLight::tintOf(desktop ? desktop : "",
                                          {defaults, files, bus.get(), paths.configHome, logger});
    if (!tint || !tint->available()) {
        return oneShotFailure(info.displayName +
                                  " isn't running; on this desktop the commands "
                                  "need it: start it with \"vesperine\"",
                              FirstErrorLogger{});
    }
    NightLightGamma gamma(tint.get(), logger);
    OneShotNoEDRSurfaces surfaces;
    DisplayPipeline pipeline(displays, gamma, surfaces, loop, logger);
    pipeline.showNow(mode.target());
    tint->flush();
    const std::string shown = ControlStatus::withStrength(mode);
    if (mode.target().isOff() == tint->showing())
        return oneShotFailure("Couldn't show " + shown + " through the desktop's Night Light",
                              logger);
    std::printf("%s\n", SafeText::forPeople(
                            "Showing " + shown +
                            (mode.target().isOff()
                                 ? " (not running)"
                                 : " through the desktop's Night Light (not running: it stays "
                                   "until \"vesperine reset\" or until Vesperine starts)"))
                            .c_str());
    return 0;
}

// A compositor with wlr-gamma-control gives an output its own table back once the client
// that set another has gone: the pick is held by an instance started for it, without
// windows, until "vesperine reset" ends it. Elsewhere on Wayland (GNOME, KDE Plasma) the
// desktop's night light shows it.
int oneShotOnWayland(const ControlCommand& command, const AppInfo& info) {
    FirstErrorLogger logger;
    auto connection = WaylandConnection::open("", logger);
    if (!connection) return oneShotFailure(connection.error().description, FirstErrorLogger{});
    const CommandApplication application;
    GLibMainLoop loop;
    std::optional<WaylandDisplays> displays;
    displays.emplace(*connection.value(), loop, logger);
    PosixFileSystem files;
    if (!displays->offersGammaControl())
        return oneShotThroughNightLight(command, info, *displays, loop, files, logger);
    const DisplayMode mode = askedMode(command, info, files, logger);
    if (auto why = ModeResolver::unavailable(mode.kind(), false, ColourControl::tables))
        return oneShotFailure(*why, FirstErrorLogger{});
    if (mode.target().isOff()) {
        // Without a client of ours every output shows its own table already.
        std::printf("Showing Off (not running)\n");
        return 0;
    }
    displays.reset();
    connection.value().reset();
    const HoldStart held = startHeld(mode);
    if (!held.report) return oneShotFailure(held.problem, FirstErrorLogger{});
    if (!held.report->empty()) return oneShotFailure(*held.report, FirstErrorLogger{});
    std::printf("%s\n",
                SafeText::forPeople("Showing " + ControlStatus::withStrength(mode) +
                                    ", held by Vesperine without windows (process " +
                                    std::to_string(held.pid) + ") until \"vesperine reset\"")
                    .c_str());
    return 0;
}

}  // namespace

int runOneShot(const ControlCommand& command, const AppInfo& info) {
    const auto session = LaunchOptions::Session::fromEnvironment();
    if (LaunchOptions{}.backendFor(session) == LaunchOptions::Backend::wayland)
        return oneShotOnWayland(command, info);
    return oneShotOnX11(command, info);
}

}  // namespace vesperine
