#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/DefaultsStore.h"
#include "Platform/FileSystem.h"
#include "Platform/Logger.h"
#include "Platform/Trash.h"
#include "Support/Result.h"

namespace vesperine {

// Takes the user over from the predecessor, Solvo ("com.brevan.solvo"), which kept the same
// settings keys and the same schedule file format in folders named after its identifier.
// Runs early at every launch: before the app state and its schedule store exist (so that a
// copied schedule file is the one the store loads) and before anything else reads settings.
//
// Every launch asks a running Solvo to quit. The first launch only (until "migratedFromSolvo"
// is true) also copies Solvo's settings and schedule file where the program has none of its
// own and, when this program runs installed, moves Solvo's program to the Trash. Nothing of
// the program's own is overwritten and Solvo's files are only read. Each failure is logged
// (category "migration") and passed over; the marker is set before anything is copied, so a
// step that failed is not tried again at a later launch. Main loop only.
class LegacyMigration {
public:
    static constexpr const char* markerKey = "migratedFromSolvo";
    static constexpr const char* predecessorIdentifier = "com.brevan.solvo";
    // The settings carried over, in this order.
    static constexpr std::array<const char*, 6> settingsKeys{
        "preferences", "override", "appRules", "guardSettings", "hotkeys", "onboardingComplete"};

    // Where the predecessor lives and how to reach it.
    struct Predecessor {
        // Opens its settings read-only: null when it has none, an error when they exist but
        // cannot be read. Must never change, move or create its file.
        std::function<Result<std::unique_ptr<const DefaultsStore>>()> openSettings;
        std::string scheduleFile;  // its "schedules.json"
        std::string program;       // its installed program
        // Asks each running copy of it (of this user only) to quit, politely, never by force;
        // one entry per copy found: whether the request reached it.
        std::function<std::vector<Status>()> quitRunning;
    };

    struct Services {
        DefaultsStore& defaults;  // the program's own
        FileSystem& files;
        Trash& trash;
        Logger& logger;
    };

    // `scheduleFile`: the program's own, the one its schedule store opens.
    LegacyMigration(Services services, Predecessor predecessor, std::string scheduleFile);

    // The whole procedure. `runsInstalled`: whether this program runs from where it is
    // installed for good (not from a download or a build folder); only then does the
    // predecessor's program go to the Trash. Never fails.
    void run(bool runsInstalled);

    // Copies each listed key that `to` lacks and `from` has, its value as stored; gives the
    // keys copied, in list order.
    static std::vector<std::string> copySettings(const DefaultsStore& from, DefaultsStore& to);
    // Whether a program file carries the predecessor's identifier as a whole word (not part
    // of a longer one such as "com.brevan.solvo2"). Solvo named its folders with it, so a
    // program without it is some other "solvo" and is left alone.
    static bool namesPredecessor(std::string_view programBytes);

private:
    void quitRunning();
    void copySettings();
    void copySchedules();
    void binOldApp();

    Services services_;
    Predecessor predecessor_;
    std::string scheduleFile_;
    Log log_;
};

}  // namespace vesperine
