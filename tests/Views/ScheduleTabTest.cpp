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
#include <QTimer>

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

TEST_F(ScheduleTabTest, ListShowsEverySchedulesSummaryAndMarksTheActiveOne) {
    const Schedule own = store().addNew(Schedule{}, "Blank", false);
    const struct {
        QString name, summary;
        bool active, deletable;
    } rows[] = {
        {"Day & Night", "Bright 200% 07:30 \u2192 Warm 3400K 18:30 \u2192 Red 23:00", true, false},
        {"Warm only", "Off 07:00 \u2192 Warm 3400K 19:00 \u2192 Warm 1900K 23:00", false, false},
        {"Manual", "No steps: you choose the mode from the menu.", false, false},
        {"Blank", "No steps: you choose the mode from the menu.", false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name.toStdString());
        auto* shownRow = listRow(row.name);
        EXPECT_EQ(text("scheduleSummary", shownRow), row.summary);
        EXPECT_EQ(shown("activeLabel", shownRow), row.active);
        EXPECT_EQ(find<QAction>("deleteAction", shownRow)->isVisible(), row.deletable);
    }
    EXPECT_FALSE(shown("noneOfYours"));
    (void)store().deleteSchedule(own);
    EXPECT_TRUE(shown("noneOfYours"));
}

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
    EXPECT_FALSE(find<QAction>("useAction", listRow("Day & Night copy"))->isVisible());

    // Delete asks first, naming the schedule, with Cancel what Enter and Escape choose.
    for (const auto& [answer, kept] : {std::pair{"cancelAnswer", true}, {"deleteAnswer", false}}) {
        SCOPED_TRACE(answer);
        find<QAction>("deleteAction", listRow("Day & Night copy"))->trigger();
        auto* question = tab.findChild<DeleteQuestion*>();
        ASSERT_TRUE(question);
        EXPECT_EQ(question->text(), "Delete \u201cDay & Night copy\u201d?");
        EXPECT_EQ(question->defaultButton(), find<QPushButton>("cancelAnswer", question));
        EXPECT_EQ(question->escapeButton(), find<QAbstractButton>("cancelAnswer", question));
        EXPECT_EQ(question->buttonRole(find<QAbstractButton>("deleteAnswer", question)),
                  QMessageBox::DestructiveRole);
        EXPECT_EQ(store().custom()->size(), 1u);  // nothing gone while it asks
        click(answer, question);
        settle();
        EXPECT_EQ(store().custom()->size(), kept ? 1u : 0u);
    }
    EXPECT_EQ(store().activeID().get(), Presets::dayAndNight().id);
    EXPECT_TRUE(shown("activeLabel", listRow("Day & Night")));

    click("newScheduleButton");
    ASSERT_EQ(store().custom()->size(), 1u);
    EXPECT_EQ(store().custom()->at(0).name, "My schedule");
    EXPECT_EQ(tab.editingID(), store().custom()->at(0).id);
    click("backButton");
    settle();
    EXPECT_FALSE(tab.editingID());

    // A row opens by its chevron, by a click anywhere on it, and by Enter.
    const std::pair<const char*, std::function<void(ScheduleListRow*)>> ways[] = {
        {"chevron", [&](ScheduleListRow* row) { click("openButton", row); }},
        {"click", [](ScheduleListRow* row) { QTest::mouseClick(row, Qt::LeftButton); }},
        {"Enter", [](ScheduleListRow* row) { QTest::keyClick(row, Qt::Key_Return); }},
    };
    for (const auto& [way, openRow] : ways) {
        SCOPED_TRACE(way);
        openRow(listRow("Manual"));
        EXPECT_EQ(tab.editingID(), Presets::manual().id);
        tab.setEditingID(std::nullopt);
        settle();
    }
}

TEST_F(ScheduleTabTest, EditorRowsFollowTheSchedulesKindAndState) {
    const auto custom = [&] { open({{TimeAnchor::clock(21, 0), DisplayMode::warm(3400), 30}}); };
    // A built-in shows its note instead of a name field and has no Save; the one in use has
    // its label instead of Use.
    const struct Case {
        const char* name;
        std::function<void()> setUp;
        bool builtIn, saveEnabled, revert, use, useEnabled, noSteps;
        QString status, useHelp;
    } cases[] = {
        {"built-in, active", [&] { tab.setEditingID(Presets::dayAndNight().id); }, true, false,
         false, false, true, false, "", ""},
        {"built-in, edited", [&] {
             tab.setEditingID(Presets::warmOnly().id);
             click("deleteButton");
         }, true, false, true, true, true, false, "", "Switch to this schedule"},
        {"custom, as saved", custom, false, false, false, true, true, false, "",
         "Switch to this schedule"},
        {"custom, edited", [&] {
             custom();
             lengthenFade();
         }, false, true, true, true, true, false, "Unsaved changes",
         "Saves your changes and switches to this schedule"},
        {"custom, name cleared", [&] {
             custom();
             find<QLineEdit>("nameField")->clear();
             QTest::keyClicks(find<QLineEdit>("nameField"), " ");
         }, false, false, true, true, false, false, "Unsaved changes",
         "Give the schedule a name to save and use it"},
        {"custom, empty", [&] { open({}); }, false, false, false, true, true, true, "",
         "Switch to this schedule"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.setUp();
        EXPECT_EQ(shown("nameField"), !c.builtIn);
        EXPECT_EQ(shown("builtInNote"), c.builtIn);
        EXPECT_EQ(shown("saveButton"), !c.builtIn);
        EXPECT_EQ(find<QAbstractButton>("saveButton")->isEnabled(), c.saveEnabled);
        EXPECT_EQ(shown("revertButton"), c.revert);
        EXPECT_EQ(shown("useButton"), c.use);
        EXPECT_EQ(shown("activeLabel", tab.editor()), !c.use);
        EXPECT_EQ(find<QAbstractButton>("useButton")->isEnabled(), c.useEnabled);
        EXPECT_EQ(c.use ? find<QAbstractButton>("useButton")->toolTip() : QString(), c.useHelp);
        EXPECT_EQ(shown("noSteps"), c.noSteps);
        EXPECT_EQ(shown("saveStatus") ? text("saveStatus") : QString(), c.status);
        tab.setEditingID(std::nullopt);
        settle();
    }
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
        {"back to exactly", [&] { QTest::keyClick(find<QSpinBox>("offsetStepper"), Qt::Key_Up); },
         TimeAnchor::solar(SolarEvent::sunset, 0), DisplayMode::warm(3400), 30, "offsetStepper", "exactly"},
        {"sunrise keeps the offset", [&] {
             QTest::keyClick(find<QSpinBox>("offsetStepper"), Qt::Key_Up);
             pick(find<QComboBox>("anchorPicker"), "Sunrise");
         }, TimeAnchor::solar(SolarEvent::sunrise, 15), DisplayMode::warm(3400), 30, "offsetStepper", "+15 min"},
        {"clock time where the step fell today", [&] { pick(find<QComboBox>("anchorPicker"), "Clock time"); },
         TimeAnchor::clock(7, 15), DisplayMode::warm(3400), 30, "todayTime", ""},
        {"warmer to the right, as in the panel",
         [&] { QTest::keyClick(find<QSlider>("strengthSlider"), Qt::Key_Right); },
         TimeAnchor::clock(7, 15), DisplayMode::warm(3350), 30, "strengthValue", "3350K"},
        {"bright at its remembered level", [&] { pick(find<QComboBox>("modePicker"), "Bright"); },
         TimeAnchor::clock(7, 15), DisplayMode::bright(2.0), 30, "strengthValue", "200%"},
        {"off has no strength", [&] { pick(find<QComboBox>("modePicker"), "Off"); },
         TimeAnchor::clock(7, 15), DisplayMode::off(), 30, "strengthValue", ""},
        {"longer fade", [&] { lengthenFade(); },
         TimeAnchor::clock(7, 15), DisplayMode::off(), 35, "fadeStepper", "Fade 35 min"},
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
    EXPECT_EQ(state().previewMode().get(), DisplayMode::off());
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

// The status keeps its line, so the steps stay where they are; Save keeps the focus in place.
TEST_F(ScheduleTabTest, SaveSaysWhetherTheWriteWorked) {
    const Schedule evenings = open({{TimeAnchor::clock(21, 0), DisplayMode::warm(3400), 30}});
    tab.resize(640, 540);
    tab.show();
    tab.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tab));
    const auto stepsTop = [&] {
        QCoreApplication::processEvents();  // laid out again
        return find("steps")->y();
    };
    const int top = stepsTop();
    auto* fade = find<QSpinBox>("fadeStepper");
    auto* save = find<QAbstractButton>("saveButton");
    fade->setFocus(Qt::TabFocusReason);
    lengthenFade();
    EXPECT_EQ(text("saveStatus"), "Unsaved changes");
    EXPECT_FALSE(find<QLabel>("saveStatusIcon")->pixmap().isNull());
    EXPECT_EQ(stepsTop(), top);
    world.machine.files.failWrites("/data/schedules.json", "No space left on device");
    click("saveButton");
    EXPECT_EQ(text("saveStatus"), "Couldn't save: No space left on device");
    EXPECT_TRUE(save->isEnabled());
    EXPECT_TRUE(tab.hasUnsavedChanges());

    world.machine.files.failWrites("/data/schedules.json", "");
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_EQ(text("saveStatus"), "Saved");
    EXPECT_TRUE(fade->hasFocus());
    EXPECT_EQ(stepsTop(), top);
    EXPECT_EQ(store().schedule(evenings.id)->keyframes.at(0).transitionMinutes, 35);
    EXPECT_FALSE(tab.hasUnsavedChanges());
    auto* flash = find<QTimer>("savedFlashTimer");
    EXPECT_EQ(flash->interval(), 3000);
    flash->setInterval(1);
    for (int waited = 0; waited < 5000 && !text("saveStatus").isEmpty(); waited += 10) {
        QTest::qWait(10);  // a loaded machine may be late even for a 1 ms timer
    }
    EXPECT_EQ(text("saveStatus"), "");
    EXPECT_EQ(stepsTop(), top);

    // Reached by Tab and pressed, Save hands the focus to its neighbour, not to the name.
    lengthenFade();
    save->setFocus(Qt::TabFocusReason);
    QTest::keyClick(save, Qt::Key_Space);
    EXPECT_FALSE(tab.hasUnsavedChanges());
    EXPECT_TRUE(find("saveAsNewButton")->hasFocus());
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

// A tip shows once its page is seen, not when the page is made with the window.
TEST_F(ScheduleTabTest, TheTipsShowOnTheirPagesUntilDoneOrClosed) {
    Guide& guide = world.app->guide();
    const auto tipShown = [&](const char* id) { return shown(id) && tab.isVisible(); };
    open({{TimeAnchor::clock(21, 0), DisplayMode::warm(3400), 30}});
    EXPECT_FALSE(tab.findChild<QWidget*>("tip:PreviewStepTip"));
    EXPECT_EQ(guide.record().count(TipEvent::schedulesOpened), 0);
    tab.show();
    EXPECT_EQ(guide.record().count(TipEvent::schedulesOpened), 1);
    EXPECT_TRUE(tipShown("tip:PreviewStepTip"));
    click("previewButton");
    EXPECT_FALSE(tipShown("tip:PreviewStepTip"));
    EXPECT_EQ(guide.record().count(TipEvent::stepPreviewed), 1);

    tab.setEditingID(std::nullopt);
    settle();
    EXPECT_TRUE(tipShown("tip:ScheduleListTip"));
    guide.setEnabled(false);
    EXPECT_FALSE(tipShown("tip:ScheduleListTip"));
    guide.setEnabled(true);
    EXPECT_FALSE(tipShown("tip:ScheduleListTip"));  // not until the next page
    tab.hide();
    tab.show();
    EXPECT_EQ(guide.record().count(TipEvent::schedulesOpened), 1);  // once per window

    ScheduleTab next(state(), guide);
    next.show();
    // Tab reaches the tip's close button where it is drawn: after New Schedule, before the
    // schedules.
    auto* close = find("closeTip", &next);
    EXPECT_LT(tabPlace(find("newScheduleButton", &next)), tabPlace(close));
    EXPECT_LT(tabPlace(close), tabPlace(next.findChild<ScheduleListRow*>()));
    click("closeTip", &next);
    EXPECT_FALSE(next.findChild<QWidget*>("tip:ScheduleListTip")->isVisible());
    EXPECT_TRUE(guide.record().history(ScheduleTip::scheduleList).closed);
}

// 02:30 does not exist on the spring-forward day in Berlin: the step starts at 03:00 and says so.
TEST(ScheduleTab, StepsShowWhereAClockChangeMovesThemToday) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    ViewWorld world(Instant::fromUnix(1'774'778'400));  // 2026-03-29 12:00 in Berlin
    world.zone.set("Europe/Berlin");
    auto& store = world.start().state().store();
    ScheduleTab tab(world.app->state(), world.app->guide());
    const Schedule night = store.addNew(
        Schedule{Uuid::random(), "", {{TimeAnchor::clock(2, 30), DisplayMode::red(0.8), 0}}, false},
        "Night", false);
    const auto summaries = tab.findChildren<QLabel*>("scheduleSummary");
    EXPECT_TRUE(std::any_of(summaries.begin(), summaries.end(),
                            [](QLabel* label) { return label->text() == "Red 03:00"; }));
    tab.setEditingID(night.id);
    EXPECT_EQ(tab.findChild<QLabel*>("todayTime")->text(), "today 03:00");
    EXPECT_EQ(tab.findChild<QTimeEdit*>("timePicker")->text(), "02:30");
}

}  // namespace
}  // namespace vesperine
