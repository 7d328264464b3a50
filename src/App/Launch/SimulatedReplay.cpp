#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

#include "App/AppDelegate.h"
#include "App/Launch/Programs.h"
#include "App/LaunchClock.h"
#include "Persistence/ScheduleStore.h"
#include "Platform/Linux/Files/PosixFileSystem.h"
#include "Platform/Linux/Process/SignalWatcher.h"
#include "Platform/Linux/System/SystemClock.h"
#include "Platform/Linux/System/SystemLogger.h"
#include "Platform/Linux/System/SystemTimeZone.h"
#include "Platform/Linux/Files/XdgPaths.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/MemoryFileSystem.h"
#include "Platform/Simulated/SimulatedPlatform.h"
#include "Schedule/Calendar.h"
#include "Support/SafeText.h"

namespace vesperine {

namespace {

constexpr const char* simulatedSchedules = "/simulated/schedules.json";

std::string localTime(Instant instant, const TimeZone& zone) {
    const auto second = Calendar(zone).secondOfDay(instant);
    if (!second) return "--:--";
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", *second / 3600, *second / 60 % 60);
    return text;
}

void printChange(AppDelegate& app, const SimulatedDisplays& displays, const TimeZone& zone) {
    AppState& state = app.state();
    const auto& schedule = state.scheduleState().get();
    const bool fading = schedule && schedule->progress < 1.0 && !state.override().get();
    std::string line = localTime(state.now(), zone) + "  " +
                       state.resolution()->mode.shortDescription() + (fading ? " (fading)" : "");
    line.resize(std::max<std::size_t>(line.size(), 30), ' ');
    const auto gains = app.pipeline().gains(app.pipeline().target().get());
    for (const auto& screen : displays.screens()) {
        auto found = gains.find(screen.id);
        if (found == gains.end()) continue;
        char text[128];
        std::snprintf(text, sizeof text, "  %s: (%.3f, %.3f, %.3f)", screen.name.c_str(),
                      found->second.r, found->second.g, found->second.b);
        line += text;
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// The user's schedules and location, copied into the simulated machine's files when they
// decode (tried on a scratch copy first, whose store would set a damaged file aside):
// whatever the simulation does to them (a location guessed and saved) stays in memory, and
// nothing of the user's is written.
struct UserSchedules {
    std::string stored;     // the user's file
    ReadResult read;
    std::string unusable;   // why it could not be used; empty when it could or was not there
};
UserSchedules copyUserSchedules(const AppInfo& info, const TimeZoneSource& zones,
                                const Clock& clock, SimulatedPlatform& machine) {
    UserSchedules user;
    user.stored = ScheduleStore::defaultPath(
        XdgPaths::fromEnvironment().applicationSupport(info.bundleIdentifier));
    user.read = PosixFileSystem().read(user.stored);
    user.unusable = user.read.ok ? "" : user.read.description;
    if (user.read.ok) {
        MemoryFileSystem scratch;
        scratch.put(user.stored, user.read.bytes);
        CapturingLogger complaints;
        if (ScheduleStore(scratch, complaints, user.stored, zones, clock).loadedFromFile()) {
            machine.files.put(simulatedSchedules, user.read.bytes);
        } else if (!complaints.lines().empty()) {
            std::string_view why = complaints.lines().front().message;
            if (const auto colon = why.find(": "); colon != std::string_view::npos) {
                why.remove_prefix(colon + 2);  // "Couldn't read schedules: ", said below
            }
            user.unusable = "couldn't read " + user.stored + ": " + std::string(why);
        }
    }
    return user;
}

}  // namespace

ControlStatus storedScheduleStatus(const AppInfo& info) {
    SystemLogger logger(info.bundleIdentifier, SystemLogger::Sink::standardError, LogLevel::error);
    SystemTimeZone zones(logger);
    SystemClock realClock;
    SimulatedPlatform machine(realClock.now());
    // A display that shows whatever the schedule asks, Bright included: what would show is
    // the schedule's own wish.
    machine.displays.add({1, "simulated", {0, 0, 1920, 1080}, 2.0, true, 16.0, 4.0});
    machine.nightLight.setStatus(SystemFeatureStatus::unavailable);
    copyUserSchedules(info, zones, realClock, machine);
    AppDelegate app(machine.platform(zones, logger, simulatedSchedules), LaunchOptions{});
    app.applicationDidFinishLaunching();
    ControlStatus status = ControlStatus::of(app.state());
    app.applicationWillTerminate();
    return status;
}

int runSimulatedReplay(const LaunchOptions& options, const AppInfo& info) {
    // Only errors reach the terminal; the replay prints its own lines.
    SystemLogger logger(info.bundleIdentifier, SystemLogger::Sink::standardError, LogLevel::error);
    SystemTimeZone zones(logger);
    const TimeZone zone = zones.current();
    // The program's own timers run in virtual time from local midnight today (or the time
    // "--clock-start" names), so every fade frame and every piece of a fade happens as it
    // would in a real day; the replay only paces virtual time against the real one.
    SystemClock realClock;
    Calendar calendar(zone);
    const Instant today = realClock.now();
    const auto start = options.clockStartMinutes
                           ? calendar.dateBySetting(*options.clockStartMinutes / 60,
                                                    *options.clockStartMinutes % 60, 0, today)
                           : calendar.startOfDay(today);
    SimulatedPlatform machine(start.value_or(today));
    VirtualTime& time = machine.time;
    SimulatedDisplays& displays = machine.displays;
    // One display that can show boost past white and one that cannot.
    displays.add({1, "built-in (boost)", {0, 0, 1512, 982}, 2.0, true, 16.0, 4.0});
    displays.add({2, "external", {1512, 0, 2560, 1440}, 1.0, false, 1.0, 1.0});
    // No desktop answers for a night light here.
    machine.nightLight.setStatus(SystemFeatureStatus::unavailable);

    const auto [stored, read, unusable] = copyUserSchedules(info, zones, realClock, machine);
    AppDelegate app(machine.platform(zones, logger, simulatedSchedules), options);
    AppState& state = app.state();
    const ScheduleStore& store = state.store();
    const double seconds = replaySeconds(options);
    const std::string schedule =
        store.loadedFromFile()
            ? "your active schedule \"" + store.active().name + "\" (from " + stored + ")"
            : "the default schedule \"" + store.active().name + "\" (" +
                  (read.ok || read.failure == ReadFailure::unreadable ? unusable
                                                                      : "no schedules stored yet") +
                  ")";
    const auto& location = store.location().get();
    const std::string place = !location ? "no location: solar steps at 07:00 and 19:00"
                              : store.locationGuessed() ? location->name + ", the time zone's city"
                                                        : "your location " + location->name;
    std::printf("Replaying one day of %s from %s in %.0f s (time zone %s, %s)\n",
                SafeText::forPeople(schedule).c_str(), localTime(time.now(), zone).c_str(), seconds,
                zone.identifier.c_str(), place.c_str());
    std::printf("Simulated displays; each line: time of day, mode, each display's RGB gains\n");
    std::fflush(stdout);

    // A line at every change of mode, and every ten minutes while a fade moves the gains.
    std::string lastMode;
    std::optional<Instant> lastLine;
    bool replaying = true;
    auto changes = app.pipeline().target().observe([&](const DisplayTarget&) {
        if (!replaying) return;
        const std::string mode = state.resolution()->mode.shortDescription();
        const Instant now = state.now();
        if (mode == lastMode && lastLine && now - *lastLine < 600) return;
        lastMode = mode;
        lastLine = now;
        printChange(app, displays, zone);
    });
    app.applicationDidFinishLaunching();

    // The signals are blocked for a main loop's sake; wait for them while pacing.
    const sigset_t terminations = SignalWatcher::terminationSignals();
    sigset_t handled = terminations;
    sigaddset(&handled, SignalWatcher::toggleSignal);
    constexpr int slices = 1440;  // one virtual minute each
    const double pause = seconds / slices;
    for (int slice = 0; slice < slices; ++slice) {
        time.advance(std::chrono::minutes(1));
        timespec wait{static_cast<time_t>(pause),
                      static_cast<long>((pause - std::floor(pause)) * 1e9)};
        const int signal = sigtimedwait(&handled, nullptr, &wait);
        if (signal == SignalWatcher::toggleSignal) {
            std::printf("%s: switching between the schedule and Off\n", strsignal(signal));
            state.perform(HotkeyAction::offOrResume);
        } else if (signal > 0 && sigismember(&terminations, signal)) {
            std::printf("Stopped early.\n");
            break;
        }
        // Nobody reads the replay any more (a pipe closed early): end it now.
        if (std::ferror(stdout)) break;
    }
    replaying = false;
    app.applicationWillTerminate();
    const bool restored = displays.table(1).b.back() == 1.0f && displays.table(2).b.back() == 1.0f;
    std::printf("Replay over; %s.\n", restored ? "every display has its own colours back"
                                               : "a display was NOT given its colours back");
    return restored ? 0 : 1;
}

}  // namespace vesperine
