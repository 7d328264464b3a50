#include <unistd.h>

#include <QEventLoop>

#include <cstdio>
#include <ctime>

#include "App/Launch/Programs.h"
#include "Persistence/ScheduleStore.h"
#include "Platform/Linux/Control/BusControlClient.h"
#include "Platform/Linux/Files/PosixFileSystem.h"
#include "Platform/Linux/Files/XdgPaths.h"
#include "Platform/Linux/Instance/LockFileSingleInstance.h"
#include "Platform/Linux/Location/GeoClueLocator.h"
#include "Platform/Linux/Process/ProcessInfo.h"
#include "Platform/Linux/System/GLibMainLoop.h"
#include "Platform/Linux/System/SystemClock.h"
#include "Platform/Linux/System/SystemLogger.h"
#include "Platform/Linux/System/SystemTimeZone.h"
#include "Schedule/Cities.h"
#include "Settings/CoordinateInput.h"
#include "State/Override.h"
#include "Support/SafeText.h"

namespace vesperine {

namespace {

// As long as a later launch waits on the instance socket: a stopped instance or bus daemon
// costs a command no more than it costs a launch.
constexpr Duration patience = std::chrono::seconds(2);

// A time on the instance's schedule clock, in this process's time zone (the user's, as the
// instance's is).
std::string clockTime(std::int64_t seconds) {
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    char text[16] = "--:--";
    if (localtime_r(&time, &local)) std::strftime(text, sizeof text, "%H:%M", &local);
    return text;
}

int fail(const std::string& problem, int status = 1) {
    std::fprintf(stderr, "vesperine: %s\n", SafeText::forPeople(problem).c_str());
    return status;
}

std::string process(pid_t pid) {
    const auto name = ProcessInfo::executableName(pid);
    return "process " + std::to_string(pid) + (name ? " (" + *name + ")" : "");
}

// Why the owner of the bus name is not the running instance, when it is not. The lock is the
// guarantee of one instance, the name only a way to reach it: the owner is trusted when it
// holds the lock, or when the lock cannot be told from here.
std::optional<std::string> distrust(std::optional<pid_t> owner,
                                    const Result<std::optional<pid_t>>& holder,
                                    const std::string& name, const std::string& busName) {
    const std::string start = "; start it with \"vesperine\"";
    const bool held = holder && holder->has_value();
    if (!owner) {
        if (held) {
            return "The running " + name + " (" + process(**holder) +
                   ") isn't on the session bus, so commands can't reach it";
        }
        return name + " isn't running" + start;
    }
    if (!holder || (held && **holder == *owner)) return std::nullopt;
    const std::string squatter = process(*owner) + " holds " + busName + " on the session bus";
    if (!held) return squatter + ", but " + name + " isn't running" + start;
    return squatter + ", not the running " + name + " (" + process(**holder) +
           "), so commands can't reach it";
}

// Whether no instance runs: nobody owns the bus name and nobody holds the lock. (A process
// that holds the name without the lock is named instead, as for every command.)
bool nobodyRuns(std::optional<pid_t> owner, const Result<std::optional<pid_t>>& holder) {
    return !owner && !(holder && holder->has_value());
}

std::string locationLine(const std::string& location) {
    return location.empty() ? "No location set; sunrise and sunset steps use 07:00 and 19:00"
                            : "Location: " + location;
}

// Where the location service places this computer, asked once on a loop of the command's own
// (a core application: no display), as the running instance would ask it. The instance is
// then told the place as any typed place is, so one ask serves both cases.
Result<Location> locateOnce(const AppInfo& info) {
    const CommandApplication application;
    GLibMainLoop loop;
    SystemLogger logger(info.bundleIdentifier, SystemLogger::Sink::standardError, LogLevel::error);
    auto bus = BusConnection::open(BusConnection::Bus::system, loop, loop);
    if (!bus) {
        return Error{bus.error().description + "; GeoClue, the location service, wasn't asked"};
    }
    GeoClueLocator locator(bus->get(), loop, logger, info.bundleIdentifier);
    std::optional<Result<Locator::Fix>> found;
    QEventLoop waiting;
    const Handle asking = locator.locate([&](Result<Locator::Fix> fix) {
        found = std::move(fix);
        waiting.quit();
    });
    waiting.exec();  // answered on the loop, never before it runs; at most the service's patience
    auto place = !found   ? Result<Location>(Error{"the location service was not asked"})
                 : *found ? CoordinateInput::located((*found)->latitude, (*found)->longitude)
                          : Result<Location>(found->error());
    if (!place) return Error{"Couldn't find the location: " + place.error().description};
    return place;
}

// The commands that need no running instance: status and location work from the stored
// schedule file, which the next start reads.
int runWithoutInstance(const ControlCommand& command, const AppInfo& info) {
    using Verb = ControlCommand::Verb;
    const auto say = [](const std::string& line) {
        std::printf("%s (not running)\n", SafeText::forPeople(line).c_str());
        return 0;
    };
    if (command.verb == Verb::status || (!command.place && !command.clear)) {
        const ControlStatus status = storedScheduleStatus(info);
        if (command.verb == Verb::location) return say(locationLine(status.location));
        std::string text = SafeText::forPeople(status.mode) +
                           " by the schedule now (not running)\nSchedule: " +
                           SafeText::forPeople(status.schedule);
        text += status.nextMode.empty() ? "; no change ahead"
                                        : "; next change at " + clockTime(status.nextChange) +
                                              " to " + SafeText::forPeople(status.nextMode);
        std::printf("%s\n", text.c_str());
        return 0;
    }
    SystemLogger logger(info.bundleIdentifier, SystemLogger::Sink::standardError, LogLevel::error);
    SystemTimeZone zones(logger);
    SystemClock clock;
    PosixFileSystem files;
    ScheduleStore store(files, logger,
                        ScheduleStore::defaultPath(XdgPaths::fromEnvironment().applicationSupport(
                            info.bundleIdentifier)),
                        zones, clock);
    std::optional<Location> place = command.place;
    if (command.clear) {
        const auto city = Cities::guess(zones.current());
        place = city ? std::optional(city->location()) : std::nullopt;
    }
    if (auto saved = store.setLocation(place); !saved) {
        return fail("Couldn't save the location: " + saved.error().description);
    }
    return say(locationLine(place ? CoordinateInput::describe(*place) : ""));
}

}  // namespace

int runControlCommand(const ControlCommand& asked, const AppInfo& info) {
    ControlCommand command = asked;
    if (command.automatic) {
        auto found = locateOnce(info);
        if (!found) return fail(found.error().description);
        command.place = std::move(found).value();
    }
    const std::string name = info.displayName;
    const ControlBusNames names = ControlBusNames::of(info.bundleIdentifier);
    // A change of what shows acts on the displays itself when no instance runs (a display
    // server must be named for that; without one there is nothing to change).
    const auto session = LaunchOptions::Session::fromEnvironment();
    const bool oneShot = (command.kind() || command.verb == ControlCommand::Verb::reset) &&
                         LaunchOptions{}.run(session) == LaunchOptions::Run::display;
    const auto lockHolder = [&] {
        return LockFileSingleInstance::holder(
            XdgPaths::fromEnvironment().runtimeFolders(info.bundleIdentifier),
            info.bundleIdentifier);
    };
    auto opened = BusControlClient::open(names, patience);
    if (!opened) {
        // Without a session bus (an X session started by hand) the lock alone says whether an
        // instance runs, and none can be reached here either way.
        if (oneShot && nobodyRuns(std::nullopt, lockHolder())) return runOneShot(command, info);
        return fail(opened.error().description + "; no running " + name + " was asked");
    }
    BusControlClient& client = *opened.value();
    const auto owner = client.ownerProcess();
    if (!owner) {
        return fail("Couldn't ask the session bus whether " + name + " runs: it " +
                    owner.error().description);
    }
    const auto holder = lockHolder();
    if (auto refused = distrust(*owner, holder, name, names.name)) {
        const bool stored = command.verb == ControlCommand::Verb::status ||
                            command.verb == ControlCommand::Verb::location;
        if (nobodyRuns(*owner, holder)) {
            if (stored) return runWithoutInstance(command, info);
            if (oneShot) return runOneShot(command, info);
        }
        return fail(*refused);
    }

    Status done = success();
    using Verb = ControlCommand::Verb;
    switch (command.verb) {
        case Verb::status: break;
        case Verb::location:
            if (command.place) done = client.setLocation(*command.place);
            if (command.clear) done = client.clearLocation();
            break;
        case Verb::resume: done = client.resume(); break;
        case Verb::reset: done = client.reset(); break;
        case Verb::warm:
        case Verb::red:
        case Verb::bright:
        case Verb::off: {
            const std::string kind = rawValue(*command.kind());
            done = command.strength ? client.setStrength(kind, *command.strength)
                                    : client.select(kind, rawValue(LifetimeChoice::nextChange));
            break;
        }
    }
    if (!done && client.lastCallTimedOut()) {
        // The request is with the instance, which may carry it out once it runs again.
        return fail("The running " + name + " " + done.error().description +
                        "; what was asked may still take effect once it answers",
                    unansweredStatus);
    }
    if (!done) return fail("Couldn't ask the running " + name + ": it " + done.error().description);
    auto status = client.status();
    if (!status && command.verb == Verb::reset) {
        // An instance that only held a pick ends at a reset, and may have gone before its
        // status could be read: then every display shows its own table again.
        for (int tries = 0; tries < 20; ++tries) {
            const auto still = client.ownerProcess();
            if (still && !still->has_value()) {
                std::printf("Showing Off (not running)\n");
                return 0;
            }
            ::usleep(100'000);
        }
    }
    if (!status) {
        return fail("Couldn't read the status of the running " + name + ": it " +
                    status.error().description);
    }
    if (command.verb == Verb::location) {
        std::printf("%s\n", SafeText::forPeople(locationLine(status->location)).c_str());
        return 0;
    }
    const std::string text = status->describe(clockTime);
    // After a change, its first line says what shows now; status says all.
    std::fputs(command.verb == Verb::status ? text.c_str()
                                            : text.substr(0, text.find('\n') + 1).c_str(),
               stdout);
    return 0;
}

}  // namespace vesperine
