#include "App/Launch/DesktopProgram.h"

#include <malloc.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPixmapCache>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "App/LoginStart.h"
#include "App/Views/TrayIcon.h"
#include "Onboarding/Views/OnboardingWindowOpener.h"
#include "Settings/Views/SettingsWindowOpener.h"

#include "App/AppDelegate.h"
#include "App/Launch/ProgramAlerts.h"
#include "App/Launch/Programs.h"
#include "App/Launch/QtPlatforms.h"
#include "App/LaunchClock.h"
#include "App/LegacyMigration.h"
#include "App/RemoteControl.h"
#include "Persistence/ScheduleStore.h"
#include "Platform/Linux/Control/BusControlService.h"
#include "Platform/Linux/Files/FreedesktopTrash.h"
#include "Platform/Linux/Files/InotifyFileWatch.h"
#include "Platform/Linux/Install/AutostartLoginItem.h"
#include "Platform/Linux/Install/UserInstaller.h"
#include "Platform/Linux/Location/GeoClueLocator.h"
#include "Platform/Linux/NightLight/DesktopNightLight.h"
#include "Platform/Linux/Power/LinuxPowerSource.h"
#include "Platform/Linux/Process/ExecRelaunch.h"
#include "Platform/Linux/Process/ProcProcesses.h"
#include "Platform/Linux/Process/RunningProgram.h"
#include "Platform/Linux/Process/SignalWatcher.h"
#include "Platform/Linux/Process/StartupSignalGuard.h"
#include "Platform/MergedSystemEvents.h"
#include "Support/SafeText.h"

namespace vesperine {

namespace {

// No display server has extended dynamic range for us: no display reports headroom, so no
// surface is ever made and the pipeline keeps no trigger.
class NoEDRSurfaces final : public EDRSurfaceFactory {
  public:
    std::unique_ptr<EDRSurface> make(const PlatformScreen&) override { return nullptr; }
};

// The command that started a held run (see LaunchOptions::hold) waits on this descriptor
// for one line: empty once the pick shows on every display, else why it could not. Taken
// from the environment at once, so that nothing this run starts inherits it.
class HoldReport {
public:
    HoldReport() {
        if (const char* fd = std::getenv(holdReportVariable)) {
            fd_ = std::atoi(fd);
            ::unsetenv(holdReportVariable);
        }
    }
    ~HoldReport() { send("Vesperine ended before the pick showed"); }
    void send(const std::string& line) {
        if (fd_ <= 2) return;
        const std::string text = line + "\n";
        (void)!::send(fd_, text.data(), text.size(), MSG_NOSIGNAL);
        ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

std::unique_ptr<BusConnection> openBus(BusConnection::Bus bus, GLibMainLoop& loop, Log& log) {
    auto opened = BusConnection::open(bus, loop, loop);
    if (opened) return std::move(opened).value();
    // A machine without one (a container, a minimal session) is not a fault: each backend
    // that needs it says once, in the debug log, what it cannot observe.
    log.info("%s", opened.error().description.c_str());
    return nullptr;
}

}  // namespace

DesktopProgram::DesktopProgram(const LaunchOptions& options, const AppInfo& info, Logger& logger,
                               StartupSignalGuard& guard, ExecRelaunch& relaunch)
    : options_(options),
      info_(info),
      logger_(logger),
      guard_(guard),
      relaunch_(relaunch),
      zones_(logger),
      paths_(XdgPaths::fromEnvironment()),
      // Atomic writes make the folders they need, so nothing is created before the first save.
      // A held pick is the command's, not the person's choice: it leaves their settings (the
      // pick a start shows first among them) as they were.
      defaults_(files_, logger, paths_.defaultsFile(info.bundleIdentifier),
                options.hold ? JsonFileDefaultsStore::Writes::thisRunOnly
                             : JsonFileDefaultsStore::Writes::toFile),
      instance_(loop_, loop_, logger, paths_.runtimeFolders(info.bundleIdentifier),
                info.bundleIdentifier),
      entries_(DesktopEntries::fromEnvironment(logger)) {
    Log log(logger, "app");
    // One system-bus connection for every backend that listens there; none when the machine
    // has no system bus (each backend then says what it cannot observe). The session bus is
    // for the desktop's night light and portal.
    systemBus_ = openBus(BusConnection::Bus::system, loop_, log);
    sessionBus_ = openBus(BusConnection::Bus::session, loop_, log);
}

DesktopProgram::~DesktopProgram() = default;

RunningApplication DesktopProgram::self() const {
    return RunningApplication{info_.bundleIdentifier, info_.displayName, ::getpid()};
}

void DesktopProgram::serverLost(const std::string& why) {
    Log(logger_, "app").error("Quitting: %s, so no display can be reset", why.c_str());
    if (app_) app_->applicationWillTerminate();
    status_ = 1;
    QCoreApplication::exit(1);
}

int DesktopProgram::run(const Session& session) {
    Log log(logger_, "app");
    const std::string support = paths_.applicationSupport(info_.bundleIdentifier);
    LinuxSystemEvents linuxEvents(loop_, systemBus_.get(), logger_);
    std::vector<SystemEvents*> sources{&linuxEvents};
    if (session.serverEvents) sources.insert(sources.begin(), session.serverEvents);
    MergedSystemEvents events(sources);
    NoEDRSurfaces surfaces;
    LinuxPowerSource power(systemBus_.get(), loop_, loop_, logger_);
    auto nightLight = DesktopNightLight::onSessionBus(sessionBus_.get(), loop_, logger_);
    ProcProcesses processes(loop_, loop_, logger_);
    UserInstaller installer(logger_, info_.bundleIdentifier, RunningProgram::path(), paths_);
    // Qt on its last resort: no window, tray icon or alert can be seen, so none is made, and
    // the program goes on with what needs none.
    // A held pick has no windows at all: it only keeps the tables its command asked for.
    const bool held = options_.hold && options_.command;
    HoldReport holdReport;
    const bool qtShows = QtPlatforms::showsWindows(QGuiApplication::platformName().toStdString(),
                                                   std::getenv("QT_QPA_PLATFORM"));
    const bool windows = qtShows && !held;
    if (!qtShows && !held) {
        log.error("No windows, tray icon or alerts: none of Qt's platforms could start here "
                  "(Qt says why above; on Wayland its plugin comes with the qt6-wayland package); "
                  "the displays are tinted on schedule and the vesperine commands work as usual");
    }
    auto alerts = makeProgramAlerts(info_, logger_, windows);
    FreedesktopTrash trash(FreedesktopTrash::homeTrash(paths_.dataHome), clock_);
    const std::string solvo = LegacyMigration::predecessorIdentifier;
    LegacyMigration::Predecessor predecessor{
        [&] {
            return JsonFileDefaultsStore::openReadOnly(files_, logger_, paths_.defaultsFile(solvo));
        },
        ScheduleStore::defaultPath(paths_.applicationSupport(solvo)),
        paths_.home + "/.local/bin/solvo",
        [&] {
            std::vector<Status> asked;
            for (const auto& running : processes.list({"solvo"})) {
                asked.push_back(processes.terminate(running));
            }
            return asked;
        }};

    // "Locate Me" in the settings and onboarding: GeoClue on the system bus, asked only then.
    GeoClueLocator locator(systemBus_.get(), loop_, logger_, info_.bundleIdentifier);
    // Onboarding's window, made when start-up or the settings show it and gone when closed.
    auto onboarding =
        windows ? std::make_unique<OnboardingWindowOpener>(defaults_, loop_, info_, &locator)
                : nullptr;
    AppDelegate app({session.displays,
                     session.gamma,
                     session.displayEvents,
                     surfaces,
                     events,
                     loop_,
                     clock_,
                     zones_,
                     defaults_,
                     files_,
                     logger_,
                     session.hotkeys,
                     instance_,
                     session.workspace,
                     power,
                     *nightLight,
                     processes,
                     installer,
                     *alerts,
                     relaunch_,
                     trash,
                     predecessor,
                     ScheduleStore::defaultPath(support),
                     std::getenv(testHarnessVariable) != nullptr,
                     onboarding.get()},
                    options_, launchClock(options_, zones_.current(), clock_.now()));
    app_ = &app;
    struct Forget {
        AppDelegate*& app;
        ~Forget() { app = nullptr; }
    } forget{app_};
    // The settings window, made when asked for and gone when closed; the tray icon asks for
    // it, and so does a second launch where there is no tray.
    AutostartLoginItem loginItem(logger_, paths_.configHome + "/autostart", info_.bundleIdentifier,
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
        } else if (tray) {
            tray->openWindow();  // no tray to open the panel from
        } else {
            openSettings();
        }
    };
    app.onAboutToTouchDisplays = [this] { guard_.release(); };

    // A termination signal and "Quit" end the program the same way.
    const auto endCleanly = [&](const std::string& why) {
        log.notice("%s; giving the displays back", why.c_str());
        app.applicationWillTerminate();
        QCoreApplication::exit(0);
    };
    SignalWatcher signalWatcher(
        loop_, [&](int signal) { endCleanly(std::string("Received ") + strsignal(signal)); },
        [&] {
            if (!app.didStart()) return;
            log.notice("Received %s; switching between the schedule and Off",
                       strsignal(SignalWatcher::toggleSignal));
            app.state().perform(HotkeyAction::offOrResume);
        });

    switch (app.applicationDidFinishLaunching()) {
        case AppDelegate::Outcome::testHarness:
        case AppDelegate::Outcome::relaunching:
            return 0;
        case AppDelegate::Outcome::handedOver:
            std::printf("%s\n", SafeText::forPeople(app.handOverReport()).c_str());
            return 0;
        case AppDelegate::Outcome::handOverFailed:
            std::fprintf(stderr, "%s\n", SafeText::forPeople(app.handOverReport()).c_str());
            return 1;
        case AppDelegate::Outcome::handOverUnanswered:
            std::fprintf(stderr, "%s\n", SafeText::forPeople(app.handOverReport()).c_str());
            return unansweredStatus;
        case AppDelegate::Outcome::started:
            break;
    }
    log.notice("%s %s started on %s", info_.displayName.c_str(), info_.version.c_str(),
               session.where.c_str());
    if (session.started) session.started(app);
    // A hand edit of the stored files takes effect while the program runs; without inotify
    // the next start reads it.
    std::unique_ptr<InotifyFileWatch> fileWatch;
    if (auto opened = InotifyFileWatch::open(loop_, logger_)) {
        fileWatch = std::move(opened).value();
        app.followHandEdits(*fileWatch, defaults_.path());
    } else {
        log.error("%s; hand edits of the settings and schedules are read at the next start",
                  opened.error().description.c_str());
    }
    // The control interface, for scripts, panels and later launches; without a session bus
    // later launches still reach this instance through the instance socket.
    RemoteControl control(app.state(), &app.appRules());
    Timer holdCheck;
    if (held) {
        const DisplayMode::Kind kind = *options_.command->kind();
        Status picked = control.select(kind, LifetimeChoice::untilOff);
        if (picked && options_.command->strength)
            picked = control.setStrength(kind, *options_.command->strength);
        if (!picked) {
            holdReport.send(picked.error().description);
            app.applicationWillTerminate();
            return 1;
        }
        log.notice("Holding the pick until \"vesperine reset\", which ends this run");
        // Someone who starts the program expects its tray and windows, which this run does
        // not have: it gives the displays back and the later launch starts in its place,
        // taking them over as any start does.
        instance_.stepAsideForLaunches(
            [&] { endCleanly("A later launch starts Vesperine in this run's place"); });
        control.afterReset = [&] {
            // After the reply has gone out.
            loop_.post([&] { endCleanly("Reset from the command line"); });
        };
        // Once the fade has landed and the display server has had a turn to refuse a table:
        // what the tables read back says whether the pick shows.
        holdCheck = loop_.repeating(std::chrono::milliseconds(250), [&, landed = false]() mutable {
            DisplayPipeline& pipeline = app.pipeline();
            if (pipeline.isFading() || !(pipeline.current().get() == pipeline.target().get()))
                return;
            if (!landed) {
                landed = true;
                return;
            }
            holdCheck.cancel();
            const auto& written = pipeline.gamma().written();
            std::vector<DisplayID> missed = GammaController::notShowing(session.gamma, written);
            std::string names;
            for (const auto& display : pipeline.displays().get()) {
                const bool failed =
                    !written.count(display.id) ||
                    std::find(missed.begin(), missed.end(), display.id) != missed.end();
                if (failed) names += (names.empty() ? "" : ", ") + display.name;
            }
            if (pipeline.displays()->empty()) names = "any display (none is attached)";
            if (names.empty()) {
                holdReport.send("");
                return;
            }
            holdReport.send("Couldn't show " +
                            ControlStatus::withStrength(app.state().resolution()->mode) + " on " +
                            names + " (the display server took no table there)");
            status_ = 1;
            endCleanly("The held pick cannot show");
        });
    }
    std::unique_ptr<BusControlService> controlService;
    if (sessionBus_) {
        auto published =
            BusControlService::publish(*sessionBus_, ControlBusNames::of(info_.bundleIdentifier),
                                       control, [&] { app.onActivate(); }, logger_);
        if (published) {
            controlService = std::move(published).value();
        } else {
            log.error("%s; \"vesperine status\" and the other commands won't reach this instance",
                      published.error().description.c_str());
        }
    }
    // The tray icon and the settings window, where they can be seen.
    if (windows) {
        settings = std::make_unique<SettingsWindowOpener>(SettingsServices{
            app.state(), app.appRules(), app.powerGuard(), app.hotkeys(), app.conflicts(),
            app.guide(), app.updater(), loginItem, relaunch_, session.workspace, defaults_, loop_,
            info_, entries_.folders(),
            [this](const std::string& path) -> std::optional<DesktopApplication> {
                auto entry = entries_.entryAt(path);
                if (!entry) return std::nullopt;
                return DesktopApplication{entry->id, entry->name.value_or(entry->id)};
            },
            [&app] { app.showOnboarding(); }, &locator});
        settings->onClosed = [] {
            // A closed window leaves nothing behind: Qt's pixmaps go, and so do the heap pages
            // its widgets used, which malloc would otherwise keep for the next allocation.
            QPixmapCache::clear();
            malloc_trim(0);
        };
        tray = std::make_unique<TrayIcon>(
            MenuServices{.state = app.state(),
                         .pipeline = app.pipeline(),
                         .appRules = app.appRules(),
                         .conflicts = app.conflicts(),
                         .guide = app.guide(),
                         .scheduler = loop_,
                         .logger = logger_,
                         .info = info_,
                         .openSettings = openSettings,
                         .quit = [&] { endCleanly("Quit from the menu"); },
                         .placeShown = session.placeShown});
        // Without a tray the hint's turn goes to the panel's window, which says how to get
        // the icon.
        app.showMenuBarHint = [&] {
            TrayIcon::isAvailable() ? tray->hint().show() : tray->openWindow();
        };
        // Nothing else would show that the program runs; a start at login stays quiet, and
        // the first start waits for the hint's turn.
        std::ifstream cgroup("/proc/self/cgroup");
        const std::string unit{std::istreambuf_iterator<char>(cgroup), {}};
        if (!TrayIcon::isAvailable() && app.guide().hintShown().get() &&
            !LoginStart::bySession(unit, std::getenv("DESKTOP_AUTOSTART_ID"))) {
            tray->openWindow();
        }
    }
    // "Relaunch Now" and the like end the program as a quit does; the caller starts the new one.
    relaunch_.setOnQuit([] { QCoreApplication::exit(0); });
    const int result = QCoreApplication::exec();
    instance_.stepAsideForLaunches(nullptr);  // what it would call ends with this run
    tray.reset();      // the panel and a window still open go before the services they show
    settings.reset();
    onboarding.reset();
    app.applicationWillTerminate();
    log.info("Ran %llu timer callbacks", static_cast<unsigned long long>(loop_.timerCallbacksRun()));
    return status_ != 0 ? status_ : result;
}

}  // namespace vesperine
