#include "Settings/Views/ScheduleTab.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QPushButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>

#include "Schedule/Presets.h"
#include "Settings/Views/DeleteQuestion.h"
#include "Settings/Views/KeyframeRow.h"
#include "Settings/Views/LeaveQuestion.h"
#include "Settings/Views/NamingSheet.h"
#include "Settings/Views/ScheduleEditor.h"
#include "Settings/Views/ScheduleListRow.h"
#include "ViewWorld.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;

// The program's services on a simulated machine, started before the tab is made: in UTC with
// no location, so sunrise and sunset steps stand in at 07:00 and 19:00.
struct StartedWorld {
    StartedWorld() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));  // "21:00"
        world.start();
    }
    ViewWorld world;
};

class ScheduleTabTest : public testing::Test, protected StartedWorld {
protected:
    AppState& state() { return world.app->state(); }
    ScheduleStore& store() { return state().store(); }
    // Adds a custom schedule "Evenings" and opens it.
    Schedule open(std::vector<Keyframe> steps) {
        const Schedule added = store().addNew(Schedule{Uuid::random(), "", std::move(steps), false},
                                              "Evenings", false);
        tab.setEditingID(added.id);
        return added;
    }
    template <class T = QWidget>
    T* find(const char* name, QWidget* root = nullptr) {
        return vesperine::find<T>(root ? root : &tab, name);
    }
    bool shown(const char* name, QWidget* root = nullptr) {
        auto* found = (root ? root : &tab)->findChild<QWidget*>(QString::fromLatin1(name));
        return found && found->isVisibleTo(&tab);
    }
    QString text(const char* name, QWidget* root = nullptr) { return find<QLabel>(name, root)->text(); }
    void click(const char* name, QWidget* root = nullptr) { find<QAbstractButton>(name, root)->click(); }
    ScheduleListRow* listRow(const QString& name) {
        for (auto* row : tab.findChildren<ScheduleListRow*>())
            if (row->isVisibleTo(&tab) && text("scheduleName", row) == name) return row;
        ADD_FAILURE() << name.toStdString();
        return nullptr;
    }
    Keyframe draftStep() { return tab.editor()->draft().draft()->keyframes.at(0); }
    void lengthenFade() { QTest::keyClick(find<QSpinBox>("fadeStepper"), Qt::Key_Up); }
    // Picks an item the way a keyboard does, so the combo box reports it as the user's.
    static void pick(QComboBox* box, const QString& item) {
        for (int tries = 0; box->currentText() != item && tries < 8; ++tries)
            QTest::keyClick(box, box->findText(item) > box->currentIndex() ? Qt::Key_Down : Qt::Key_Up);
    }
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    ScheduleTab tab{state(), world.app->guide()};
};

TEST_F(ScheduleTabTest, ListActionsGoThroughTheStore) {
    find<QAction>("duplicateAction", listRow("Day & Night"))->trigger();
    settle();
    ASSERT_EQ(store().custom()->size(), 1u);
    EXPECT_EQ(store().custom()->at(0).name, "Day & Night copy");

    // Use, from the row's menu: the schedule in force from now, the pick dropped.
    state().select(DisplayMode::Kind::red, Override::Lifetime::indefinitely());
    find<QAction>("useAction", listRow("Day & Night copy"))->trigger();
    EXPECT_EQ(store().activeID().get(), store().custom()->at(0).id);
    EXPECT_FALSE(state().override().get());
    EXPECT_TRUE(shown("activeLabel", listRow("Day & Night copy")));

    // Delete asks first, with Cancel what Enter and Escape choose.
    for (const auto& [answer, kept] : {std::pair{"cancelAnswer", true}, {"deleteAnswer", false}}) {
        SCOPED_TRACE(answer);
        find<QAction>("deleteAction", listRow("Day & Night copy"))->trigger();
        auto* question = tab.findChild<DeleteQuestion*>();
        ASSERT_TRUE(question);
        EXPECT_EQ(question->defaultButton(), find<QPushButton>("cancelAnswer", question));
        EXPECT_EQ(question->escapeButton(), find<QAbstractButton>("cancelAnswer", question));
        EXPECT_EQ(store().custom()->size(), 1u);  // nothing gone while it asks
        click(answer, question);
        settle();
        EXPECT_EQ(store().custom()->size(), kept ? 1u : 0u);
    }
    EXPECT_EQ(store().activeID().get(), Presets::dayAndNight().id);

    click("newScheduleButton");
    ASSERT_EQ(store().custom()->size(), 1u);
    EXPECT_EQ(store().custom()->at(0).name, "My schedule");
    EXPECT_EQ(tab.editingID(), store().custom()->at(0).id);
    click("backButton");
    settle();
    EXPECT_FALSE(tab.editingID());

    // A row opens by a click anywhere on it.
    QTest::mouseClick(listRow("Manual"), Qt::LeftButton);
    EXPECT_EQ(tab.editingID(), Presets::manual().id);
}

// A built-in has no Save, which would keep nothing; a schedule without a name can be neither
// saved nor used, and Use says why.
TEST_F(ScheduleTabTest, TheEditorOffersOnlyWhatCanBeKept) {
    tab.setEditingID(Presets::dayAndNight().id);
    EXPECT_FALSE(shown("saveButton"));
    EXPECT_TRUE(shown("builtInNote"));
    tab.setEditingID(std::nullopt);
    settle();

    open({{TimeAnchor::clock(21, 0), DisplayMode::warm(3400), 30}});
    find<QLineEdit>("nameField")->clear();
    QTest::keyClicks(find<QLineEdit>("nameField"), " ");
    EXPECT_FALSE(find<QAbstractButton>("saveButton")->isEnabled());
    EXPECT_FALSE(find<QAbstractButton>("useButton")->isEnabled());
    EXPECT_EQ(find<QAbstractButton>("useButton")->toolTip(),
              "Give the schedule a name to save and use it");
}

// Each control of a step changes the draft as the user meant, and shows the step's words.
TEST_F(ScheduleTabTest, StepControlsChangeTheDraft) {
    open({{TimeAnchor::clock(21, 0), DisplayMode::warm(3400), 30}});
    const struct Case {
        const char* name;
        std::function<void()> act;
        TimeAnchor time;
        DisplayMode mode;
        int fade;
        const char* shownControl;  // the control's text after the change
        QString shownText;
    } cases[] = {
        {"sunset", [&] { pick(find<QComboBox>("anchorPicker"), "Sunset"); },
         TimeAnchor::solar(SolarEvent::sunset, 0), DisplayMode::warm(3400), 30, "todayTime", "today 19:00"},
        {"fifteen minutes earlier", [&] { QTest::keyClick(find<QSpinBox>("offsetStepper"), Qt::Key_Down); },
         TimeAnchor::solar(SolarEvent::sunset, -15), DisplayMode::warm(3400), 30, "offsetStepper", "\u221215 min"},
        {"clock time where the step fell today", [&] { pick(find<QComboBox>("anchorPicker"), "Clock time"); },
         TimeAnchor::clock(6, 45), DisplayMode::warm(3400), 30, "todayTime", ""},
        {"warmer to the right, as in the panel",
         [&] { QTest::keyClick(find<QSlider>("strengthSlider"), Qt::Key_Right); },
         TimeAnchor::clock(6, 45), DisplayMode::warm(3350), 30, "strengthValue", "3350K"},
        {"bright at its remembered level", [&] { pick(find<QComboBox>("modePicker"), "Bright"); },
         TimeAnchor::clock(6, 45), DisplayMode::bright(2.0), 30, "strengthValue", "200%"},
        {"longer fade", [&] { lengthenFade(); },
         TimeAnchor::clock(6, 45), DisplayMode::bright(2.0), 35, "fadeStepper", "Fade 35 min"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.act();
        EXPECT_EQ(draftStep().time, c.time);
        EXPECT_EQ(draftStep().mode, c.mode);
        EXPECT_EQ(draftStep().transitionMinutes, c.fade);
        auto* control = find(c.shownControl, find<KeyframeRow>("keyframeRow"));
        auto* box = qobject_cast<QSpinBox*>(control);
        EXPECT_EQ(!control->isVisibleTo(&tab) ? QString()
                  : box                       ? box->text()
                                              : qobject_cast<QLabel*>(control)->text(),
                  c.shownText);
    }
    EXPECT_EQ(store().schedule(tab.editingID().value())->keyframes.at(0).transitionMinutes, 30)
        << "edits stay in the draft until saved";

    click("previewButton");
    EXPECT_EQ(state().previewMode().get(), DisplayMode::bright(2.0));
    world.machine.time.advance(4s);
    EXPECT_FALSE(state().previewMode().get());

    click("deleteButton", find<KeyframeRow>("keyframeRow"));
    settle();
    EXPECT_TRUE(shown("noSteps"));
    click("revertButton");
    EXPECT_FALSE(shown("noSteps"));
    EXPECT_EQ(draftStep(), store().schedule(*tab.editingID())->keyframes.at(0));
    click("addStepButton");
    EXPECT_EQ(tab.findChildren<KeyframeRow*>().size(), 2);
    EXPECT_EQ(tab.editor()->draft().draft()->keyframes.at(1).mode, DisplayMode::warm(3400));
}

TEST_F(ScheduleTabTest, AStoredTimeThatFormsNoTimeStaysUntilTheUserPicksOne) {
    open({{TimeAnchor::clock(25, 0), DisplayMode::red(0.8), 30},
          {TimeAnchor::clock(6, 0), DisplayMode::off(), 30}});
    auto* row = tab.findChildren<KeyframeRow*>().at(1);  // the step without a time sorts last
    EXPECT_EQ(row->keyframe().time, TimeAnchor::clock(25, 0));
    EXPECT_TRUE(shown("invalidTime", row));
    EXPECT_EQ(text("invalidTime", row), "25:00 is not a time of day. Pick a time.");
    EXPECT_EQ(find<QTimeEdit>("timePicker", row)->text(), "--:--");
    EXPECT_FALSE(tab.editor()->draft().isDirty()) << "showing it writes nothing back";
    QTest::keyClick(find<QTimeEdit>("timePicker", row), Qt::Key_Up);
    const auto picked = tab.editor()->draft().draft()->keyframes.at(0).time;
    EXPECT_TRUE(ScheduleToday::formsTimeOfDay(picked)) << picked.hour() << ":" << picked.minute();
    EXPECT_FALSE(shown("invalidTime", row));
}

TEST_F(ScheduleTabTest, SaveSaysWhetherTheWriteWorked) {
    const Schedule evenings = open({{TimeAnchor::clock(21, 0), DisplayMode::warm(3400), 30}});
    auto* save = find<QAbstractButton>("saveButton");
    lengthenFade();
    EXPECT_EQ(text("saveStatus"), "Unsaved changes");
    world.machine.files.failWrites("/data/schedules.json", "No space left on device");
    click("saveButton");
    EXPECT_EQ(text("saveStatus"), "Couldn't save: No space left on device");
    EXPECT_TRUE(save->isEnabled());
    EXPECT_TRUE(tab.hasUnsavedChanges());

    world.machine.files.failWrites("/data/schedules.json", "");
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_EQ(text("saveStatus"), "Saved");
    EXPECT_EQ(store().schedule(evenings.id)->keyframes.at(0).transitionMinutes, 35);
    EXPECT_FALSE(tab.hasUnsavedChanges());
}

TEST_F(ScheduleTabTest, UseSavesEditsThenMakesTheScheduleActive) {
    const Schedule evenings = open({{TimeAnchor::clock(21, 0), DisplayMode::warm(3400), 30}});
    state().select(DisplayMode::Kind::red, Override::Lifetime::indefinitely());
    lengthenFade();
    click("useButton");
    EXPECT_EQ(store().activeID().get(), evenings.id);
    EXPECT_EQ(store().active().keyframes.at(0).transitionMinutes, 35);
    EXPECT_FALSE(state().override().get());
    EXPECT_TRUE(shown("activeLabel", tab.editor()));
}

// Leaving with unsaved changes asks; a built-in offers Save as New… instead of a Save that
// would keep nothing.
TEST_F(ScheduleTabTest, LeavingWithChangesAsksFirst) {
    const struct Case {
        const char* name;
        bool builtIn;
        const char* answer;
        bool editing;  // the tab still (or now) shows an editor
        int fade;      // the custom schedule's stored fade afterwards
    } cases[] = {
        {"cancel", false, "cancelAnswer", true, 30},
        {"discard", false, "discardAnswer", false, 30},
        {"save", false, "keepAnswer", false, 35},
        {"built-in: save as new", true, "keepAnswer", true, 35},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto previous = store().custom().get();
        for (const auto& own : previous) (void)store().deleteSchedule(own);
        if (c.builtIn) {
            tab.setEditingID(Presets::dayAndNight().id);
        } else {
            open({{TimeAnchor::clock(21, 0), DisplayMode::warm(3400), 30}});
        }
        lengthenFade();
        click("backButton");
        auto* question = tab.findChild<LeaveQuestion*>();
        ASSERT_TRUE(question);
        EXPECT_EQ(question->text(), c.builtIn ? "Save changes to \u201cDay & Night\u201d?"
                                              : "Save changes to \u201cEvenings\u201d?");
        EXPECT_EQ(find<QAbstractButton>("keepAnswer", question)->text(),
                  c.builtIn ? "Save as New\u2026" : "Save");
        click(c.answer, question);
        settle();
        if (auto* sheet = tab.findChild<NamingSheet*>()) {
            QTest::keyClick(find<QLineEdit>("newName", sheet), Qt::Key_End);
            QTest::keyClicks(find<QLineEdit>("newName", sheet), " Late");
            click("saveNewButton", sheet);
            settle();
        }
        EXPECT_EQ(tab.editingID().has_value(), c.editing);
        ASSERT_EQ(store().custom()->size(), 1u);
        EXPECT_EQ(store().custom()->at(0).keyframes.at(0).transitionMinutes, c.fade);
        if (c.builtIn) {
            EXPECT_EQ(store().custom()->at(0).name, "Day & Night Late");
            EXPECT_EQ(tab.editingID(), store().custom()->at(0).id);
        }
        EXPECT_EQ(store().schedule(Presets::dayAndNight().id), Presets::dayAndNight());
        tab.setEditingID(std::nullopt);
        settle();
    }
}

}  // namespace
}  // namespace vesperine
