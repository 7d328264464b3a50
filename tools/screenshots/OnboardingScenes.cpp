// Onboarding, one scene per step; the tray step also on a computer with an HDR display, and
// the last step with something else adjusting the display.
#include "Onboarding/Views/OnboardingWindow.h"
#include "Scenes.h"

namespace vesperine {
namespace {

std::unique_ptr<QWidget> onboarding(ViewWorld& world, int step) {
    AppDelegate& app = world.start();
    auto window = std::make_unique<OnboardingWindow>(
        OnboardingWindow::Services{app.state(), app.conflicts(), world.machine.time, "Vesperine",
                                   &world.locator},
        [] {});
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->goTo(step);
    return window;
}

}  // namespace

VESPERINE_SCENES(addOnboardingScenes) {
    const char* names[] = {"onboarding-1-welcome", "onboarding-2-tray", "onboarding-3-location",
                           "onboarding-4-last-look"};
    for (int step = 0; step < 4; ++step) {
        scenes.add(names[step], [step](ViewWorld& world) { return onboarding(world, step); });
    }
    scenes.add("onboarding-2-tray-hdr", [](ViewWorld& world) {
        world.machine.displays.add({2, "HDR", {1512, 0, 1920, 1080}, 1.0, false, 4.0, 2.0});
        return onboarding(world, 1);
    });
    scenes.add("onboarding-4-last-look-conflicts", [](ViewWorld& world) {
        world.machine.nightLight.setStatus(SystemFeatureStatus::on);
        world.machine.processes.start(4242, "redshift");
        return onboarding(world, 3);
    });
}

}  // namespace vesperine
