#include "Settings/Views/SettingsWindow.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "Settings/Views/LeaveQuestion.h"
#include "Settings/Views/ScheduleTab.h"
#include "Settings/Views/SettingsWindowOpener.h"
#include "SettingsWorld.h"
#include "Support/Views/ObservableWatch.h"

namespace vesperine {
namespace {

TEST_F(SettingsWindowTest, TabsInOrderAndOneWindowAtATimeGoneWhenClosed) {
    world.start();
    SettingsWindowOpener opener(*world.services);
    SettingsWindow* first = opener.open();
    QStringList titles;
    for (int i = 0; i < first->tabs()->count(); ++i) titles << first->tabs()->tabText(i);
    EXPECT_EQ(titles, (QStringList{"General", "Schedule", "Location", "Apps", "Power", "Shortcuts"}));
    EXPECT_EQ(opener.open(), first);  // raised, not made again
    first->close();
    settle();
    EXPECT_EQ(opener.window(), nullptr);
    SettingsWindow* second = opener.open();
    EXPECT_NE(second, nullptr);

    // A schedule edited but not saved: closing asks about it instead of dropping it.
    auto* tab = second->findChild<ScheduleTab*>();
    ASSERT_TRUE(tab);
    tab->setEditingID(world.world.app->state().store().active().id);
    QTest::keyClick(second->findChild<QSpinBox*>("fadeStepper"), Qt::Key_Up);
    ASSERT_TRUE(tab->hasUnsavedChanges());
    second->close();
    settle();
    EXPECT_EQ(opener.window(), second);
    EXPECT_TRUE(second->findChild<LeaveQuestion*>());
}

TEST_F(SettingsWindowTest, LoginItemShowsWhatTheSystemDid) {
    world.start();
    open();
    auto* login = find<QCheckBox>(window.get(), "openAtLogin");
    login->click();
    EXPECT_TRUE(world.loginItem.isEnabled());
    EXPECT_FALSE(shown(find<QLabel>(window.get(), "loginError")));
    world.loginItem.failNextChange("The autostart folder is read-only");
    login->click();
    EXPECT_TRUE(login->isChecked());  // still on: the change was refused
    EXPECT_EQ(text("loginError"), "Couldn't change login item: The autostart folder is read-only");
    EXPECT_TRUE(shown(find<QLabel>(window.get(), "loginError")));

    // A setting that cannot be saved is said under the tabs, whichever tab changed it.
    EXPECT_FALSE(find(window.get(), "saveFailure")->isVisibleTo(window.get()));
    world.world.machine.defaults.failWrites("No space left on device");
    find<QCheckBox>(window.get(), "thermalProtection")->click();
    EXPECT_EQ(text("saveFailure"), "Couldn't save: No space left on device");
    EXPECT_TRUE(find(window.get(), "saveFailure")->isVisibleTo(window.get()));
}

TEST_F(SettingsWindowTest, OtherThingsAdjustingTheDisplay) {
    world.world.machine.nightLight.setStatus(SystemFeatureStatus::unavailable);
    world.start();
    open();
    EXPECT_EQ(text("conflictsEmpty"), "None found.");
    EXPECT_EQ(text("unavailable"), "Night Light can't be checked on this desktop.");

    world.world.machine.nightLight.setStatus(SystemFeatureStatus::on);
    world.world.machine.processes.start(4242, "redshift");
    click("checkAgain");
    settle();
    EXPECT_EQ(text("conflict:nightLight"),
              "Night Light is on and will tint the screen on top of Vesperine.");
    EXPECT_NE(window->findChild<QLabel*>("conflict:app:redshift"), nullptr);
    EXPECT_EQ(window->findChild<QLabel*>("unavailable"), nullptr);
    EXPECT_EQ(window->findChild<QLabel*>("conflictsEmpty"), nullptr);

    click("fix:nightLight");
    world.world.machine.time.advanceSeconds(2);
    settle();
    EXPECT_EQ(window->findChild<QLabel*>("conflict:nightLight"), nullptr);
}

TEST_F(SettingsWindowTest, TipsUpdatesAboutAndSetup) {
    world.start();
    Guide& guide = world.services->guide;
    open();
    auto* tips = find<QCheckBox>(window.get(), "showTips");
    EXPECT_TRUE(tips->isChecked());
    tips->click();
    EXPECT_FALSE(guide.enabled().get());
    EXPECT_EQ(world.world.machine.defaults.value(Guide::enabledKey), DefaultsValue(false));

    EXPECT_FALSE(shown(find(window.get(), "relaunchNow")));
    click("showTipsAgain");
    EXPECT_TRUE(world.world.machine.defaults.boolean(Guide::resetOnLaunchKey));
    EXPECT_EQ(text("willReset"), "Tips start over next time Vesperine opens.");
    click("relaunchNow");
    EXPECT_EQ(world.world.machine.relaunch.requests(), std::vector<std::string>{""});
    open();  // a window opened later still says so: the flag is stored
    EXPECT_TRUE(shown(find(window.get(), "relaunchNow")));

    // An unconfigured build: only the sentence.
    EXPECT_EQ(text("noUpdates"), "This build doesn't check for updates. New versions are sent directly.");
    EXPECT_EQ(window->findChild<QCheckBox*>("checkAutomatically"), nullptr);
    // No onboarding yet: no "Run Setup Again…"; with it, the button calls it.
    EXPECT_EQ(window->findChild<QPushButton*>("runSetupAgain"), nullptr);
    int shownOnboarding = 0;
    world.services->showOnboarding = [&] { ++shownOnboarding; };
    open();
    click("runSetupAgain");
    EXPECT_EQ(shownOnboarding, 1);
}

// A view is told of changes only (not of equal assignments), and nothing is left subscribed
// once it is gone, so a closed window costs nothing.
TEST(ObservableWatch, AViewHearsChangesOnlyWhileItLives) {
    Observable<int> value(1);
    int refreshes = 0;
    auto view = std::make_unique<QWidget>();
    watch(value, view.get(), [&] { ++refreshes; });
    EXPECT_EQ(refreshes, 1);  // drawn once at once
    value.set(1);
    value.set(2);
    EXPECT_EQ(refreshes, 2);
    view.reset();
    value.set(3);
    EXPECT_EQ(refreshes, 2);
}

}  // namespace
}  // namespace vesperine
