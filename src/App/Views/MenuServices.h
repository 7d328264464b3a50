#pragma once

#include <functional>

#include "App/AppInfo.h"
#include "App/AppState.h"
#include "Display/DisplayPipeline.h"
#include "Guide/Guide.h"
#include "Platform/Logger.h"
#include "Platform/Scheduler.h"
#include "Rules/AppRules.h"
#include "System/ConflictDetector.h"

namespace vesperine {

// What the tray icon and its panel work on. The services are borrowed from the program,
// which owns them for the whole run.
struct MenuServices {
    AppState& state;
    DisplayPipeline& pipeline;
    AppRules& appRules;
    ConflictDetector& conflicts;
    Guide& guide;
    Scheduler& scheduler;  // the main loop: the hint's timeout runs on it
    Logger& logger;
    AppInfo info;
    std::function<void()> openSettings;  // "Settings…": opens or raises the settings window
    std::function<void()> quit;          // "Quit": ends the program as a termination signal does
};

}  // namespace vesperine
