#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "Onboarding/Views/OnboardingWindowOpener.h"
#include "Support/Views/Rows.h"
#include "ViewWorld.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;

// The program started on a simulated machine with the real onboarding window; the tray's hint
// is counted where the program would show it.
class OnboardingTest : public testing::Test {
protected:
    OnboardingTest() {
        world.onboarding = &opener;
        world.make().showMenuBarHint = [this] { ++hints; };
    }
    AppDelegate& app() { return *world.app; }
    void launch() { ASSERT_EQ(app().applicationDidFinishLaunching(), AppDelegate::Outcome::started); }
    void relaunch() {
        world.make().showMenuBarHint = [this] { ++hints; };
        launch();
    }
    OnboardingWindow* window() { return opener.window(); }
    void click(const char* name) {
        QTest::mouseClick(window()->findChild<QPushButton*>(name), Qt::LeftButton);
    }
    void finish() {
        while (window()->step() + 1 < window()->stepCount()) click("continueButton");
        click("continueButton");
    }
    // A closed window goes once control returns to the loop; then it reports its close.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    QString label(const char* name) { return window()->findChild<QLabel*>(name)->text(); }
    QString boostNote() {
        settle();  // the note is redrawn as displays come and go
        return Rows::textOf(window()->findChild<QLabel*>("boostNote")->parentWidget())->text();
    }
    void advance(std::chrono::milliseconds span) { world.machine.time.advance(span); }
    DefaultsStore& defaults() { return world.machine.defaults; }

    ViewWorld world;
    OnboardingWindowOpener opener{world.machine.defaults, world.machine.time, AppInfo::current()};
    int hints = 0;
};

// Done stores that onboarding is complete; the hint follows 0.4 s after it closes.
TEST_F(OnboardingTest, FirstStartWalksThroughThenPointsAtTheTray) {
    launch();
    ASSERT_TRUE(window() && window()->isVisible());
    advance(60s);
    EXPECT_EQ(hints, 0);
    finish();
    EXPECT_TRUE(defaults().boolean(OnboardingWindowController::completeKey));
    settle();
    EXPECT_EQ(window(), nullptr);
    advance(399ms);
    EXPECT_EQ(hints, 0);
    advance(1ms);
    EXPECT_EQ(hints, 1);
}

// Done with a read-only config folder used to close as if kept: the window stays to say why
// it was not (onboarding will come back), and Done closes it then; this run counts it done.
TEST_F(OnboardingTest, DoneThatCannotBeSavedSaysSoBeforeClosing) {
    launch();
    world.machine.defaults.failWrites("Read-only file system");
    finish();
    settle();
    ASSERT_NE(window(), nullptr);
    EXPECT_EQ(label("saveFailure"), "Couldn't save: Read-only file system");
    EXPECT_TRUE(window()->findChild<QLabel*>("saveFailure")->isVisibleTo(window()));
    click("continueButton");
    settle();
    EXPECT_EQ(window(), nullptr);
    EXPECT_TRUE(defaults().boolean(OnboardingWindowController::completeKey));
}

// A start after onboarding shows the hint 1.5 s after start-up, if it was not shown yet.
TEST_F(OnboardingTest, StartUpChoosesOnboardingTheHintOrNothing) {
    const struct Case {
        const char* what;
        bool complete, hintShown, onboardingSwitch;
        bool onboarding;
        int hintsAfter1500ms;
    } cases[] = {
        {"first start", false, false, false, true, 0},
        {"done, hint not yet shown", true, false, false, false, 1},
        {"done, hint shown", true, true, false, false, 0},
        {"--onboarding after it was done", true, true, true, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        defaults().set(OnboardingWindowController::completeKey, c.complete);
        defaults().set(Guide::hintShownKey, c.hintShown);
        world.options.onboarding = c.onboardingSwitch;
        hints = 0;
        relaunch();
        advance(1499ms);
        EXPECT_EQ(hints, 0);
        advance(1ms);
        EXPECT_EQ(window() != nullptr, c.onboarding);
        EXPECT_EQ(hints, c.hintsAfter1500ms);
        if (window()) window()->close();
        settle();
        advance(60s);
    }
}

// What the steps show follows the displays. (The location step is the settings' city picker:
// SettingsWindowTest.)
TEST_F(OnboardingTest, TheBoostNoteFollowsTheDisplays) {
    launch();
    EXPECT_EQ(boostNote(),
              "Bright needs an HDR display, which this computer doesn't have. Warm, Red and "
              "schedules all work.");
    world.machine.displays.add({2, "HDR", {1512, 0, 1920, 1080}, 1.0, false, 4.0, 2.0});
    world.machine.displays.fireReconfiguration(2);
    advance(1s);
    EXPECT_EQ(boostNote(), "Your display can show Bright.");
}

}  // namespace
}  // namespace vesperine
