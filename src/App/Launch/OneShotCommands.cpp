// Qt's objects before any X11 header, whose macros would break them.
#include <QCoreApplication>
#include "Platform/Qt/QtMainLoop.h"

#include <cstdio>
#include <string>
#include <vector>

#include "App/ControlStatus.h"
#include "App/Launch/Programs.h"
#include "App/Preferences.h"
#include "Display/DisplayPipeline.h"
#include "Platform/EDRSurface.h"
#include "Platform/Linux/Files/JsonFileDefaultsStore.h"
#include "Platform/Linux/Files/PosixFileSystem.h"
#include "Platform/Linux/Files/XdgPaths.h"
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
    // Read only: a command without an instance keeps none of the user's files.
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
    // The pipeline's timers never run here, but Qt's timers want an application to exist.
    int argc = 1;
    char name[] = "vesperine";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    QtMainLoop loop;
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
                SafeText::forPeople(
                    "Showing " + shown +
                    (mode.target().isOff() ? " (not running)"
                                           : " (not running: it stays until \"vesperine reset\" "
                                             "or until Vesperine starts)"))
                    .c_str());
    return 0;
}

}  // namespace

int runOneShot(const ControlCommand& command, const AppInfo& info) {
    return oneShotOnX11(command, info);
}

}  // namespace vesperine
