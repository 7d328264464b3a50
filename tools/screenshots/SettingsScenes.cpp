// The settings window, one scene per tab and state.
#include <QTabWidget>

#include "Platform/Simulated/SimulatedLoginItem.h"
#include "Scenes.h"
#include "Settings/Views/SettingsWindow.h"

namespace vesperine {

namespace {

// What the window works on, kept as long as the window (the last of its children to go).
struct SceneServices final : QObject {
    SimulatedLoginItem loginItem;
    std::unique_ptr<SettingsServices> services;
};

std::unique_ptr<QWidget> settings(ViewWorld& world, const QString& tab) {
    world.start();
    auto* held = new SceneServices;
    held->services = std::make_unique<SettingsServices>(world.settingsServices(held->loginItem));
    held->services->showOnboarding = [] {};  // as in the program: "Run Setup Again…" shows
    auto window = std::make_unique<SettingsWindow>(*held->services);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    held->setParent(window.get());
    for (int i = 0; i < window->tabs()->count(); ++i) {
        if (window->tabs()->tabText(i) == tab) window->tabs()->setCurrentIndex(i);
    }
    return window;
}

}  // namespace

VESPERINE_SCENES(addSettingsScenes) {
    scenes.add("settings-general", [](ViewWorld& world) {
        world.machine.nightLight.setStatus(SystemFeatureStatus::unavailable);
        return settings(world, "General");
    });
    scenes.add("settings-general-conflicts", [](ViewWorld& world) {
        world.machine.nightLight.setStatus(SystemFeatureStatus::on);
        world.machine.processes.start(4242, "redshift");
        return settings(world, "General");
    });
    scenes.add("settings-location-unset", [](ViewWorld& world) {
        return settings(world, "Location");
    });
    scenes.add("settings-location-set", [](ViewWorld& world) {
        world.machine.files.put("/data/schedules.json",
                                R"({"custom":[],"activeID":"5C1B6A52-0001-4000-8000-000000000001",)"
                                R"("location":{"name":"Lisbon, Portugal","latitude":38.7223,)"
                                R"("longitude":-9.1393}})");
        return settings(world, "Location");
    });
    scenes.add("settings-apps", [](ViewWorld& world) {
        return settings(world, "Apps");
    });
    scenes.add("settings-power-limited", [](ViewWorld& world) {
        world.machine.power.set({true, 64, false, ThermalState::fair});
        return settings(world, "Power");
    });
    scenes.add("settings-shortcuts", [](ViewWorld& world) {
        world.machine.hotkeys.setTakenElsewhere(KeyCombo::defaults().at(HotkeyAction::toggleRed),
                                                true);
        return settings(world, "Shortcuts");
    });
    scenes.add("settings-shortcuts-shared", [](ViewWorld& world) {
        auto window = settings(world, "Shortcuts");
        world.app->hotkeys().set(KeyCombo::defaults().at(HotkeyAction::toggleBright),
                                 HotkeyAction::toggleRed);
        return window;
    });
}

}  // namespace vesperine
