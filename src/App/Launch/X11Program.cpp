#include <unistd.h>
#include <QCoreApplication>
#include <QPixmapCache>
#include <malloc.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

// Qt's widgets before any X11 header, whose macros would break them.
#include "App/Views/TrayIcon.h"
#include "Onboarding/Views/OnboardingWindowOpener.h"
#include "Settings/Views/SettingsWindowOpener.h"

#include "App/AppDelegate.h"
#include "App/Launch/ProgramAlerts.h"
#include "App/Launch/Programs.h"
#include "App/LaunchClock.h"
#include "App/LegacyMigration.h"
#include "App/RemoteControl.h"
#include "Persistence/ScheduleStore.h"
#include "Platform/Linux/AutostartLoginItem.h"
#include "Platform/Linux/BusControlService.h"
#include "Platform/Linux/BusConnection.h"
#include "Platform/Linux/DesktopEntries.h"
#include "Platform/Linux/DesktopNightLight.h"
#include "Platform/Linux/ExecRelaunch.h"
#include "Platform/Linux/FreedesktopTrash.h"
#include "Platform/Linux/JsonFileDefaultsStore.h"
#include "Platform/Linux/LinuxPowerSource.h"
#include "Platform/Linux/LinuxSystemEvents.h"
#include "Platform/Linux/LockFileSingleInstance.h"
#include "Platform/Linux/OwnRampRecord.h"
#include "Platform/Linux/PosixFileSystem.h"
#include "Platform/Linux/ProcProcesses.h"
#include "Platform/Linux/RunningProgram.h"
#include "Platform/Linux/SignalWatcher.h"
#include "Platform/Linux/StartupSignalGuard.h"
#include "Platform/Linux/SystemClock.h"
#include "Platform/Linux/SystemTimeZone.h"
#include "Platform/Linux/UserInstaller.h"
#include "Platform/Linux/XdgPaths.h"
#include "Platform/MergedSystemEvents.h"
#include "Platform/Qt/QtMainLoop.h"
#include "Platform/X11/X11Connection.h"
#include "Platform/X11/X11Displays.h"
#include "Platform/X11/X11EDRSurfaces.h"
#include "Platform/X11/X11HotkeyService.h"
#include "Platform/X11/X11SystemEvents.h"
#include "Platform/X11/X11Workspace.h"

namespace vesperine {

std::unique_ptr<X11Connection> openX11WhenReady(Logger& logger, double patienceSeconds) {
    Log log(logger, "app");
    double waited = 0, delay = 0.25;
    for (int attempt = 1;; ++attempt) {
        auto connection = X11Connection::open("", logger);
        if (connection) {
            if (attempt > 1) log.notice("The X display answered after %.1f s", waited);
            return std::move(connection).value();
        }
        if (waited >= patienceSeconds) {
            log.error("Gave up after %.0f s: %s", waited, connection.error().description.c_str());
            return nullptr;
        }
        delay = std::min(delay, patienceSeconds - waited);
        log.notice("%s; trying again in %.2f s (attempt %d)",
                   connection.error().description.c_str(), delay, attempt);
        std::this_thread::sleep_for(std::chrono::duration<double>(delay));
        waited += delay;
        delay = std::min(delay * 2, 8.0);
    }
}

int runOnX11(const LaunchOptions& options, const AppInfo& info,
             std::unique_ptr<X11Connection> connection, Logger& logger, StartupSignalGuard& guard,
             ExecRelaunch& relaunch) {
    Log log(logger, "app");
    QtMainLoop loop;
    SystemClock clock;
    SystemTimeZone zones(logger);
    PosixFileSystem files;
    const XdgPaths paths = XdgPaths::fromEnvironment();
    const std::string support = paths.applicationSupport(info.bundleIdentifier);
    // Atomic writes make the folders they need, so nothing is created before the first save.
    JsonFileDefaultsStore defaults(files, logger, paths.defaultsFile(info.bundleIdentifier));
    LockFileSingleInstance instance(loop, loop, logger, paths.runtimeFolders(info.bundleIdentifier),
                                    info.bundleIdentifier);

    connection->attach(loop, loop);
    OwnRampRecord ownRamps(files, logger, OwnRampRecord::runtimeFolder(), info.bundleIdentifier);
    X11Displays displays(*connection, logger, &ownRamps);
    X11SystemEvents x11Events(*connection, logger);
    // One system-bus connection for every backend that listens there; none when the
    // machine has no system bus (each backend then says what it cannot observe).
    std::unique_ptr<BusConnection> systemBus;
    if (auto opened = BusConnection::open(BusConnection::Bus::system, loop, loop)) {
        systemBus = std::move(opened).value();
    } else {
        // A machine without one (a container, a minimal session) is not a fault: each
        // backend that needs it says once, in the debug log, what it cannot observe.
        log.info("%s", opened.error().description.c_str());
    }
    // The session bus, for the desktop's night light and our control interface; none
    // outside a desktop session.
    std::unique_ptr<BusConnection> sessionBus;
    if (auto opened = BusConnection::open(BusConnection::Bus::session, loop, loop)) {
        sessionBus = std::move(opened).value();
    } else {
        log.info("%s", opened.error().description.c_str());
    }
    LinuxSystemEvents linuxEvents(loop, systemBus.get(), logger);
    MergedSystemEvents events({&x11Events, &linuxEvents});
    X11EDRSurfaces surfaces;
    X11HotkeyService hotkeys(*connection, logger);
    DesktopEntries entries = DesktopEntries::fromEnvironment(logger);
    X11Workspace workspace(*connection, entries,
                           RunningApplication{info.bundleIdentifier, info.displayName, ::getpid()},
                           logger);
    LinuxPowerSource power(systemBus.get(), loop, loop, logger);
    auto nightLight = DesktopNightLight::onSessionBus(sessionBus.get(), loop, logger);
    ProcProcesses processes(loop, loop, logger);
    UserInstaller installer(logger, info.bundleIdentifier, RunningProgram::path(), paths);
    auto alerts = makeProgramAlerts(info, logger);
    FreedesktopTrash trash(FreedesktopTrash::homeTrash(paths.dataHome), clock);
    const std::string solvo = LegacyMigration::predecessorIdentifier;
    LegacyMigration::Predecessor predecessor{
        [&] {
            return JsonFileDefaultsStore::openReadOnly(files, logger, paths.defaultsFile(solvo));
        },
        ScheduleStore::defaultPath(paths.applicationSupport(solvo)),
        paths.home + "/.local/bin/solvo",
        [&] {
            std::vector<Status> asked;
            for (const auto& running : processes.list({"solvo"})) {
                asked.push_back(processes.terminate(running));
            }
            return asked;
        }};

    // Onboarding's window, made when start-up or the settings show it and gone when closed.
    auto onboarding = std::make_unique<OnboardingWindowOpener>(defaults, loop, info);
    AppDelegate app({displays,
                     displays,
                     displays,
                     surfaces,
                     events,
                     loop,
                     clock,
                     zones,
                     defaults,
                     files,
                     logger,
                     hotkeys,
                     instance,
                     workspace,
                     power,
                     *nightLight,
                     processes,
                     installer,
                     *alerts,
                     relaunch,
                     trash,
                     predecessor,
                     ScheduleStore::defaultPath(support),
                     std::getenv(testHarnessVariable) != nullptr,
                     onboarding.get()},
                    options, launchClock(options, zones.current(), clock.now()));
    // The settings window, made when asked for and gone when closed; the tray icon asks for
    // it, and so does a second launch where there is no tray.
    AutostartLoginItem loginItem(logger, paths.configHome + "/autostart", info.bundleIdentifier,
                                 RunningProgram::path());
    std::unique_ptr<SettingsWindowOpener> settings;
    std::unique_ptr<TrayIcon> tray;
    const auto openSettings = [&] {
        if (!settings) return;
        const bool made = settings->window() == nullptr;
        const auto started = std::chrono::steady_clock::now();
        settings->open();
        if (made) {
            log.info("Opened the settings window in %.1f ms",
                     std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                               started)
                         .count());
        }
    };
    app.onActivate = [&] {
        log.notice("Asked to come to the front by a second launch");
        if (tray && TrayIcon::isAvailable()) {
            tray->openPanel();
        } else {
            openSettings();
        }
    };
    app.onAboutToTouchDisplays = [&guard] { guard.release(); };

    int status = 0;
    // A termination signal and "Quit" end the program the same way.
    const auto endCleanly = [&](const std::string& why) {
        log.notice("%s; giving the displays back", why.c_str());
        app.applicationWillTerminate();
        QCoreApplication::exit(0);
    };
    SignalWatcher signalWatcher(
        loop, [&](int signal) { endCleanly(std::string("Received ") + strsignal(signal)); },
        [&] {
            if (!app.didStart()) return;
            log.notice("Received %s; switching between the schedule and Off",
                       strsignal(SignalWatcher::toggleSignal));
            app.state().perform(HotkeyAction::offOrResume);
        });
    connection->setOnLost([&] {
        // Nothing can be written any more; end cleanly with what we have saved.
        log.error("Quitting: the X server is gone, so no display can be reset");
        app.applicationWillTerminate();
        status = 1;
        QCoreApplication::exit(1);
    });

    switch (app.applicationDidFinishLaunching()) {
        case AppDelegate::Outcome::testHarness:
        case AppDelegate::Outcome::relaunching:
            return 0;
        case AppDelegate::Outcome::handedOver:
            std::printf("%s\n", app.handOverReport().c_str());
            return 0;
        case AppDelegate::Outcome::handOverFailed:
            std::fprintf(stderr, "%s\n", app.handOverReport().c_str());
            return 1;
        case AppDelegate::Outcome::started:
            break;
    }
    log.notice("%s %s started on %s", info.displayName.c_str(), info.version.c_str(),
               DisplayString(connection->display()));
    // The control interface, for scripts, panels and later launches; without a session bus
    // later launches still reach this instance through the instance socket.
    RemoteControl control(app.state());
    std::unique_ptr<BusControlService> controlService;
    if (sessionBus) {
        auto published =
            BusControlService::publish(*sessionBus, ControlBusNames::of(info.bundleIdentifier),
                                       control, [&] { app.onActivate(); }, logger);
        if (published) {
            controlService = std::move(published).value();
        } else {
            log.error("%s; \"vesperine status\" and the other commands won't reach this instance",
                      published.error().description.c_str());
        }
    }
    settings = std::make_unique<SettingsWindowOpener>(SettingsServices{
        app.state(), app.appRules(), app.powerGuard(), app.hotkeys(), app.conflicts(), app.guide(),
        app.updater(), loginItem, relaunch, workspace, defaults, loop, info, entries.folders(),
        [&entries](const std::string& path) -> std::optional<DesktopApplication> {
            auto entry = entries.entryAt(path);
            if (!entry) return std::nullopt;
            return DesktopApplication{entry->id, entry->name.value_or(entry->id)};
        },
        [&app] { app.showOnboarding(); }});
    settings->onClosed = [] {
        // A closed window leaves nothing behind: Qt's pixmaps go, and so do the heap pages
        // its widgets used, which malloc would otherwise keep for the next allocation.
        QPixmapCache::clear();
        malloc_trim(0);
    };
    tray = std::make_unique<TrayIcon>(MenuServices{
        app.state(), app.pipeline(), app.appRules(), app.conflicts(), app.guide(), loop, logger,
        info, openSettings, [&] { endCleanly("Quit from the menu"); }});
    app.showMenuBarHint = [&] { tray->hint().show(); };
    // "Relaunch Now" and the like end the program as a quit does; the caller starts the new one.
    relaunch.setOnQuit([] { QCoreApplication::exit(0); });
    const int result = QCoreApplication::exec();
    tray.reset();      // the panel and a window still open go before the services they show
    settings.reset();
    onboarding.reset();
    app.applicationWillTerminate();
    log.info("Ran %llu timer callbacks", static_cast<unsigned long long>(loop.timerCallbacksRun()));
    return status != 0 ? status : result;
}

}  // namespace vesperine
