// The tray panel in each mode and state, the hint that points at the icon, and a tip.
#include "App/Views/MenuPanel.h"
#include "Guide/Views/HintBubble.h"
#include "Scenes.h"

namespace vesperine {

namespace {

// What the panel works on, kept as long as the panel (the last of its children to go).
struct HeldServices final : QObject {
    std::unique_ptr<MenuServices> services;
};

// The panel over a started world, after `act` (what the user did before it opened).
std::unique_ptr<QWidget> panel(ViewWorld& world,
                               const std::function<void(AppDelegate&)>& act = {}) {
    AppDelegate& app = world.start();
    if (act) act(app);
    world.machine.time.advanceSeconds(10);  // fades over
    auto* held = new HeldServices;
    held->services = std::make_unique<MenuServices>(world.menuServices());
    auto window = std::make_unique<MenuPanel>(*held->services);
    held->setParent(window.get());
    window->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);  // shown, not popped up
    app.guide().setEnabled(false);                                 // tips have scenes of their own
    window->setFixedHeight(window->heightForWidth(MenuPanel::panelWidth));
    return window;
}

void select(AppDelegate& app, DisplayMode::Kind kind) {
    app.state().select(kind, Override::Lifetime::untilNextTransition());
}

}  // namespace

VESPERINE_SCENES(addMenuScenes) {
    scenes.add("panel-bright-refused", [](ViewWorld& world) {
        return panel(world, [](AppDelegate& app) { select(app, DisplayMode::Kind::bright); });
    });
    scenes.add("panel-bright-limited", [](ViewWorld& world) {
        world.addHdrDisplay();
        return panel(
            world, [](AppDelegate& app) { app.state().setLevel(3.0, DisplayMode::Kind::bright); });
    });
    scenes.add("panel-warm", [](ViewWorld& world) {
        return panel(world,
                     [&world](AppDelegate&) { world.machine.time.advanceSeconds(9 * 3600); });
    });
    scenes.add("panel-red-keep", [](ViewWorld& world) {
        return panel(world, [](AppDelegate& app) {
            select(app, DisplayMode::Kind::red);
            app.state().setOverrideLifetime(Override::Lifetime::indefinitely());
        });
    });
    scenes.add("panel-off", [](ViewWorld& world) {
        return panel(world, [](AppDelegate& app) { select(app, DisplayMode::Kind::off); });
    });
    scenes.add("panel-rule-and-conflict", [](ViewWorld& world) {
        world.machine.nightLight.setStatus(SystemFeatureStatus::on);
        world.machine.processes.start(4242, "redshift");
        return panel(world, [&world](AppDelegate& app) {
            const RunningApplication vlc{"vlc", "VLC media player", 77};
            world.machine.workspace.activate(vlc);
            app.appRules().set(AppRule::Behavior::pauseAll, vlc);
        });
    });
    scenes.add("panel-pause-offer", [](ViewWorld& world) {
        return panel(world, [&world](AppDelegate&) {
            world.machine.workspace.activate(
                RunningApplication{"org.gnome.Loupe", "Image Viewer", 78});
        });
    });
    // A name longer than the panel, in the offer and in a rule: cut short, the panel as wide.
    const RunningApplication longName{"org.example.Editor",
                                      "Graphics Editor Professional Edition 2026", 79};
    scenes.add("panel-long-app-name", [longName](ViewWorld& world) {
        return panel(world, [&world, longName](AppDelegate&) {
            world.machine.workspace.activate(longName);
        });
    });
    scenes.add("panel-long-app-name-rule", [longName](ViewWorld& world) {
        return panel(world, [&world, longName](AppDelegate& app) {
            world.machine.workspace.activate(longName);
            app.appRules().set(AppRule::Behavior::pauseBoost, longName);
        });
    });
    scenes.add("panel-tip", [](ViewWorld& world) {
        auto window = panel(world);
        Guide& guide = world.app->guide();
        guide.setEnabled(true);
        guide.menuOpened();
        window->setFixedHeight(window->heightForWidth(MenuPanel::panelWidth));
        return window;
    });
    scenes.add("hint", [](ViewWorld&) {
        auto bubble = std::make_unique<HintBubble>();
        bubble->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        bubble->adjustSize();
        bubble->pointAt(true, bubble->width() - 40);
        return bubble;
    });
}

}  // namespace vesperine
