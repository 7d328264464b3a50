#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Display/DisplayInfo.h"
#include "Display/GammaTable.h"
#include "Platform/DisplayServices.h"
#include "Platform/Logger.h"
#include "Platform/Processes.h"
#include "Platform/Scheduler.h"
#include "Platform/SystemColourFeature.h"
#include "Support/Alive.h"
#include "Support/Observable.h"
#include "System/Conflict.h"

namespace vesperine {

// Finds other software that changes the displays' colours: the desktop's night light (unless
// it shows our own Warm: DisplayGamma::showsThroughNightLight), a competing program that is
// running, and tables on a display that somebody else has set.
// Publishes them as `conflicts`, each with a message and, where one exists, a fix. The night
// light is never switched off while our Warm shows through it, and once our Warm shows
// there, a switching-off of ours from before is undone at the next refresh. Refreshes
// every minute (no unprivileged launch events exist to replace the poll), when the night
// light changes, when a listed competitor ends, and when asked. Main loop only; everything
// it is given is borrowed and must outlive it.
class ConflictDetector {
  public:
    // A program known to drive the display tables itself: its display name and executable.
    struct KnownApp {
        std::string name;
        std::string executable;
    };

    struct Services {
        SystemColourFeature& nightLight;
        Processes& processes;
        // The displays already known (the display output's list): looking for foreign tables
        // reads theirs in one batch instead of listing the outputs again every minute.
        const Observable<std::vector<DisplayInfo>>& displays;
        DisplayGamma& gamma;
        Scheduler& scheduler;
        Logger& logger;
    };

    static constexpr auto pollInterval = std::chrono::seconds(60);
    static constexpr auto pollLeeway = std::chrono::seconds(10);  // how early it may come
    static constexpr auto settleDelay = std::chrono::seconds(1);  // second refresh after a fix
    static constexpr const char* nightLightName = "Night Light";  // in `unavailable`

    // The competing programs looked for, in the order they are examined.
    static const std::vector<KnownApp>& knownApps();

    // `appName` is this program's display name, used in the messages.
    ConflictDetector(Services services, std::string appName);

    const Observable<std::vector<Conflict>>& conflicts() const { return conflicts_; }
    // Names of the system features whose state cannot be read ("Night Light").
    const Observable<std::vector<std::string>>& unavailable() const { return unavailable_; }
    const std::string& appName() const { return appName_; }

    // True while this program itself drives the tables (then foreign tables are not looked
    // for). Set by the owner before `start`; by default false.
    std::function<bool()> appOwnsGamma = [] { return false; };

    // Starts the observation and the polling, then refreshes once. Call once.
    void start();
    void refresh();
    // Turns the night light off, or asks the competing program to quit; then refreshes now
    // and once more a second later (both take effect with a delay).
    void fix(const Conflict& conflict);

    bool displaysHaveForeignGamma() const;
    // A table whose full-input outputs are above 1.02, or spread by more than 0.05, was set
    // by someone else; a neutral or merely dimmed one was not. Tables that hold no number
    // at full input cannot be judged and are not foreign.
    static bool isForeign(const GammaTable::Channels& table);

  private:
    Services services_;
    std::string appName_;
    Log log_;
    Observable<std::vector<Conflict>> conflicts_;
    Observable<std::vector<std::string>> unavailable_;
    bool quietedNightLight_ = false;  // switched off by a fix of ours
    Handle nightLightWatch_;
    Handle exitWatch_;
    Timer poll_;
    Timer settle_;
    Alive alive_;
};

}  // namespace vesperine
