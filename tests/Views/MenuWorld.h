// The tray panel's services over a started simulated machine, with the settings and quit
// actions counted instead of carried out.
#pragma once

#include <memory>

#include "ViewWorld.h"

namespace vesperine {

struct MenuWorld {
    // Starts the program's services; plant in `world.machine` first when the test needs to.
    MenuServices& start() {
        world.start();
        services = std::make_unique<MenuServices>(world.menuServices());
        services->openSettings = [this] { ++settingsOpened; };
        services->quit = [this] { ++quits; };
        return *services;
    }

    ViewWorld world;
    std::unique_ptr<MenuServices> services;
    int settingsOpened = 0;
    int quits = 0;
};

}  // namespace vesperine
