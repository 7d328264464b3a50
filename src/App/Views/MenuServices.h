#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>

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
    // Where the compositor places windows itself but takes commands (sway): puts our shown
    // window titled `title` with its top left corner at `at` (the desktop's logical
    // coordinates), or centred on the pointer and inside its screen where `at` is none. False
    // while it cannot (the window not mapped yet, a refused command). Empty where a window
    // goes where it is moved (X11) or nothing can place it (GNOME, KDE Plasma on Wayland).
    std::function<bool(const std::string& title, std::optional<std::pair<int, int>> at)>
        placeShown{};
};

}  // namespace vesperine
