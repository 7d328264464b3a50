#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "App/AppInfo.h"
#include "App/AppState.h"
#include "Guards/PowerGuard.h"
#include "Guide/Guide.h"
#include "Input/HotkeyManager.h"
#include "Platform/DefaultsStore.h"
#include "Platform/Locator.h"
#include "Platform/LoginItem.h"
#include "Platform/Relaunch.h"
#include "Platform/Scheduler.h"
#include "Platform/Workspace.h"
#include "Rules/AppRules.h"
#include "System/ConflictDetector.h"
#include "Updates/Updater.h"

namespace vesperine {

// An application as its desktop entry names it: the desktop-file id and the Name.
struct DesktopApplication {
    std::string id;
    std::string name;
};

// What the settings window works on. Everything is borrowed from the program, which owns it
// for the whole run; the window holds only these references while it is open.
struct SettingsServices {
    AppState& state;
    AppRules& appRules;
    PowerGuard& powerGuard;
    HotkeyManager& hotkeys;
    ConflictDetector& conflicts;
    Guide& guide;
    Updater& updater;
    LoginItem& loginItem;
    Relaunch& relaunch;
    Workspace& workspace;
    DefaultsStore& defaults;
    Scheduler& scheduler;  // the main loop: the window's own short delays run on it
    AppInfo info;
    // "Choose App…": the folders that hold desktop entries, where the file chooser starts...
    std::vector<std::string> applicationFolders;
    // ...and what a chosen entry says; none for a file that is no application's entry.
    std::function<std::optional<DesktopApplication>(const std::string& path)> readDesktopEntry;
    // Opens onboarding again; absent while the program has none ("Run Setup Again…" hidden).
    std::function<void()> showOnboarding;
    // "Locate Me" in the Location tab; none: the tab offers only cities and coordinates.
    Locator* locator = nullptr;
};

}  // namespace vesperine
