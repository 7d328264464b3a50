// The Schedule tab: the list, and the editor in its main states.
#include <QAbstractButton>
#include <QSpinBox>

#include "Scenes.h"
#include "Schedule/Presets.h"
#include "Settings/Views/ScheduleEditor.h"
#include "Settings/Views/ScheduleTab.h"

namespace vesperine {
namespace {

// A tab the size of the settings window's content, in Amsterdam (its sunrise and sunset).
std::unique_ptr<ScheduleTab> tab(ViewWorld& world) {
    world.zone.set("Europe/Amsterdam");
    AppDelegate& app = world.start();
    auto made = std::make_unique<ScheduleTab>(app.state(), app.guide());
    made->resize(640, 540);
    return made;
}

// A custom schedule with a sunset step, opened in the editor.
std::unique_ptr<ScheduleTab> customEditor(ViewWorld& world, bool withSteps = true) {
    auto made = tab(world);
    auto& store = world.app->state().store();
    const Schedule added = store.addNew(withSteps ? Presets::dayAndNight() : Schedule{},
                                        withSteps ? "Evenings" : "Blank", false);
    made->setEditingID(added.id);
    return made;
}

void click(QWidget& root, const char* name) {
    root.findChild<QAbstractButton*>(QString::fromLatin1(name))->click();
}

}  // namespace

VESPERINE_SCENES(addScheduleScenes) {
    scenes.add("schedule-list", [](ViewWorld& world) -> std::unique_ptr<QWidget> {
        auto made = tab(world);
        world.app->state().store().duplicate(Presets::warmOnly(), false);
        return made;
    });
    scenes.add("schedule-editor-builtin", [](ViewWorld& world) -> std::unique_ptr<QWidget> {
        auto made = tab(world);
        made->setEditingID(Presets::dayAndNight().id);
        return made;
    });
    scenes.add("schedule-editor-dirty", [](ViewWorld& world) -> std::unique_ptr<QWidget> {
        auto made = customEditor(world);
        made->findChild<QSpinBox*>("fadeStepper")->stepBy(2);
        return made;
    });
    scenes.add("schedule-editor-small-screen", [](ViewWorld& world) -> std::unique_ptr<QWidget> {
        auto made = customEditor(world);
        made->resize(360, 300);  // everything scrolls into reach
        return made;
    });
    scenes.add("schedule-editor-empty", [](ViewWorld& world) -> std::unique_ptr<QWidget> {
        return customEditor(world, false);
    });
    scenes.add("schedule-editor-saved", [](ViewWorld& world) -> std::unique_ptr<QWidget> {
        auto made = customEditor(world);
        made->findChild<QSpinBox*>("fadeStepper")->stepBy(2);
        click(*made, "saveButton");
        return made;
    });
    scenes.add("schedule-editor-save-failed", [](ViewWorld& world) -> std::unique_ptr<QWidget> {
        auto made = customEditor(world);
        made->findChild<QSpinBox*>("fadeStepper")->stepBy(2);
        world.machine.files.failWrites("/data/schedules.json", "No space left on device");
        click(*made, "saveButton");
        return made;
    });
}

}  // namespace vesperine
