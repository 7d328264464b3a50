// The tray panel over the real services on a simulated machine: each row under its
// condition, each control's operation, and how the panel opens and closes.
#include <gtest/gtest.h>

#include <QtGui/qevent.h>
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "App/Views/MenuPanel.h"
#include "App/Views/PanelWindow.h"
#include "Schedule/Presets.h"
#include "ViewWorld.h"

namespace vesperine {
namespace {

using Kind = DisplayMode::Kind;

class MenuPanelTest : public testing::Test {
protected:
    // Starts the program first, unless the test has.
    MenuPanel& open(std::optional<QRect> icon = QRect(1400, 0, 24, 24)) {
        if (!world.services) world.start();
        if (!panel) panel = std::make_unique<MenuPanel>(*world.services);
        panel->popUp(icon);
        return *panel;
    }
    template <class T = QWidget>
    T* get(const char* name) {
        return find<T>(panel.get(), name);
    }
    QString text(const char* name) { return get<QLabel>(name)->text(); }
    bool visible(const char* name) { return get(name)->isVisibleTo(panel.get()); }
    void click(const char* name) { QTest::mouseClick(get<QAbstractButton>(name), Qt::LeftButton); }
    AppState& state() { return world.services->state; }
    Guide& guide() { return world.services->guide; }
    void settle() { world.world.machine.time.advanceSeconds(6); }  // fades over

    MenuWorld world;
    std::unique_ptr<MenuPanel> panel;
};

TEST_F(MenuPanelTest, TheHeaderAndTheStrengthFollowTheKindShown) {
    world.world.addHdrDisplay();
    open();
    struct Case {
        Kind kind;
        double strength;
        const char* header;
        const char* slider;  // none: "Display untouched."
        const char* value;
        const char* note = "";  // what the displays allow, when less than asked
    } cases[] = {
        {Kind::red, 0.35, "Red", "Red brightness", "35%"},
        {Kind::red, 1.0, "Red", "Red brightness", "100%"},  // the same kind: the value follows
        {Kind::warm, 3412, "Warm 3400K", "Warmth", "3400K"},
        {Kind::bright, 2.5, "Bright 250%", "Boost", "250%", "Display allows up to 160% right now"},
        {Kind::off, 0, "Off", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        if (c.kind == Kind::off) {
            click("mode:off");
        } else {
            state().setLevel(c.strength, c.kind);
            settle();
        }
        EXPECT_EQ(text("modeShown"), c.header);
        EXPECT_TRUE(
            get<QAbstractButton>((std::string("mode:") + rawValue(c.kind)).c_str())->isChecked());
        EXPECT_EQ(visible("displayUntouched"), c.slider == nullptr);
        EXPECT_EQ(visible("slider"), c.slider != nullptr);
        if (c.slider) {
            EXPECT_EQ(text("sliderTitle"), c.slider);
            EXPECT_EQ(text("sliderValue"), c.value);
            EXPECT_EQ(visible("sliderNote"), *c.note != 0);
            EXPECT_EQ(text("sliderNote"), c.note);
        }
    }
}

// With a read-only config folder a pick used to be lost at the next start with nothing on
// screen: it stays in use, and the panel says why it was not kept until a save succeeds.
TEST_F(MenuPanelTest, BrightNeedsADisplayThatShowsItAndAPickThatCannotBeSavedSaysSo) {
    open();
    EXPECT_FALSE(get<QAbstractButton>("mode:bright")->isEnabled());
    EXPECT_EQ(text("limitation"), "Bright needs an HDR display");
    click("mode:warm");
    EXPECT_FALSE(visible("limitation"));

    world.world.machine.defaults.failWrites("Read-only file system");
    click("mode:red");
    EXPECT_EQ(text("modeShown"), "Red");
    EXPECT_TRUE(visible("saveFailure"));
    EXPECT_EQ(text("saveFailure"), "Couldn't save: Read-only file system");
    world.world.machine.defaults.failWrites("");
    click("mode:off");
    EXPECT_FALSE(visible("saveFailure"));
}

TEST_F(MenuPanelTest, TheWarmSliderSetsWarmerTowardsItsRightEnd) {
    open();
    click("mode:warm");
    auto* slider = get<QSlider>("slider");
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Left);  // to the left: cooler, more kelvin
    EXPECT_EQ(state().preferences()->warmKelvin, 3450);
    for (int press = 0; press < 60; ++press) QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(state().preferences()->warmKelvin, 1200);
    EXPECT_EQ(text("sliderValue"), "1200K");
    EXPECT_EQ(state().resolution()->mode, DisplayMode::warm(1200));
    EXPECT_TRUE(slider->invertedAppearance());                   // the minimum drawn at the right
    EXPECT_EQ(guide().record().count(TipEvent::sliderUsed), 1);  // the first move only
}

TEST_F(MenuPanelTest, KeepAndResumeOnlyWithAnOverride) {
    open();
    EXPECT_FALSE(visible("keep"));
    EXPECT_FALSE(visible("resumeSchedule"));
    click("mode:red");
    EXPECT_EQ(state().override()->value().lifetime, Override::Lifetime::untilNextTransition());
    EXPECT_EQ(guide().record().count(TipEvent::modePicked), 1);
    auto* keep = get<QComboBox>("keep");
    EXPECT_TRUE(visible("keep"));
    EXPECT_EQ(keep->currentText(), "Until next scheduled change");
    world.world.machine.time.advanceSeconds(600);
    keep->activated(1);
    EXPECT_EQ(state().override()->value().lifetime,
              Override::Lifetime::until(state().now() + 3600.0));
    EXPECT_EQ(keep->currentText(), "For 1 hour");
    click("resumeSchedule");
    EXPECT_FALSE(state().override()->has_value());
    EXPECT_FALSE(visible("keep"));
    EXPECT_TRUE(get<QAbstractButton>("mode:off")->isChecked());  // the schedule's Bright, refused
}

TEST_F(MenuPanelTest, TheLastApplicationInFrontCanBePausedAndFreedAgain) {
    open();
    EXPECT_FALSE(visible("pauseIn"));
    const RunningApplication vlc{"org.inkscape.Inkscape", "Inkscape", 7};
    world.world.machine.workspace.activate(vlc);
    auto* pauseIn = get<QPushButton>("pauseIn");
    EXPECT_EQ(pauseIn->text(), "Pause in Inkscape");
    pauseIn->menu()->findChild<QAction*>("pauseBoost")->trigger();
    EXPECT_EQ(world.services->appRules.rule(vlc.bundleID)->behavior, AppRule::Behavior::pauseBoost);
    EXPECT_EQ(text("appRule"), "Pause boost in Inkscape");
    EXPECT_FALSE(visible("pauseIn"));
    EXPECT_EQ(guide().record().count(TipEvent::appPaused), 1);
    click("removeAppRule");
    EXPECT_FALSE(world.services->appRules.rule(vlc.bundleID));
    EXPECT_TRUE(visible("pauseIn"));
    world.world.machine.workspace.activate(RunningApplication{std::nullopt, "xterm", 8});
    EXPECT_FALSE(pauseIn->isEnabled());  // nothing to tell it by next time
}

TEST_F(MenuPanelTest, TheScheduleLinesAndTheConflicts) {
    open();
    EXPECT_EQ(text("scheduleLine"), "Schedule: Day & Night");
    EXPECT_TRUE(text("nextChange").startsWith("Warm 3400K at "))
        << text("nextChange").toStdString();
    // Whatever a name holds shows as it is stored, as text: never as markup.
    for (const std::string& name : {std::string("a\0b\u202Ethgin", 11),
                                    std::string("<b>Bold</b> <img src=\"/etc/x.png\">")}) {
        ASSERT_EQ(state().store().addNew(Presets::dayAndNight(), name, true).name, name);
        EXPECT_EQ(text("scheduleLine"), "Schedule: " + QString::fromStdString(name));
        EXPECT_EQ(get<QLabel>("scheduleLine")->textFormat(), Qt::PlainText);
    }
    ASSERT_TRUE(state().store().setActiveID(Presets::dayAndNight().id).ok());
    EXPECT_TRUE(visible("locationNote"));
    ASSERT_TRUE(state().store().setLocation(Location{"Lisbon", 38.7, -9.1}));
    EXPECT_FALSE(visible("locationNote"));
    EXPECT_FALSE(visible("conflicts"));
    world.world.machine.nightLight.setStatus(SystemFeatureStatus::on);
    panel->hide();
    open();  // opening looks again
    EXPECT_TRUE(visible("conflicts"));
}

// (Ctrl+Q is pressed in the program on an X server: TrayTest.)
TEST_F(MenuPanelTest, TheButtons) {
    open();
    click("mode:red");
    settle();
    click("resetDisplay");
    EXPECT_TRUE(world.services->pipeline.current()->isOff());
    EXPECT_EQ(guide().record().count(TipEvent::displayReset), 1);
    for (const auto& [button, settings, quits] : {std::tuple{"settings", 1, 0}, {"quit", 1, 1}}) {
        open();
        click(button);
        EXPECT_EQ(world.settingsOpened, settings);
        EXPECT_EQ(world.quits, quits);
        EXPECT_FALSE(panel->isVisible());  // it closes first
    }
}

// Escape and a click outside close a popup; losing the focus to another program is ours.
TEST_F(MenuPanelTest, OpensAsAPopupAndClosesWhenTheFocusGoes) {
    open();
    EXPECT_EQ(panel->windowType(), Qt::Popup);
    EXPECT_TRUE(guide().hintShown().get());
    panel->hide();
    open(std::nullopt);  // at the pointer
    QApplicationStateChangeEvent inactive(Qt::ApplicationInactive);
    QCoreApplication::sendEvent(qApp, &inactive);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(guide().record().count(TipEvent::menuOpened), 2);
}

TEST_F(MenuPanelTest, TheGuidesTipShowsAtItsPlaceUntilClosed) {
    open();
    EXPECT_TRUE(visible("tip:modePicker"));
    EXPECT_FALSE(visible("tip:slider"));
    auto* tip = get("tip:modePicker");
    EXPECT_EQ(find<QLabel>(tip, "tipTitle")->text(), "Pick a mode");
    EXPECT_TRUE(
        find<QLabel>(tip, "tipMessage")->text().startsWith("<b>Bright</b> boosts your screen."));
    QTest::mouseClick(find<QAbstractButton>(tip, "closeTip"), Qt::LeftButton);
    EXPECT_FALSE(visible("tip:modePicker"));
    panel->hide();
    open();
    EXPECT_FALSE(visible("tip:modePicker"));
}

// The panel as an ordinary window, where no tray shows the icon.
TEST(PanelWindow, SaysHowToGetTheIconOnceAndActsAsThePanel) {
    MenuWorld world;
    MenuServices& services = world.start();
    ASSERT_FALSE(services.guide.hintShown().get());
    PanelWindow window(services);
    window.open();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowType(), Qt::Window);  // not a popup: it stays when focus goes
    EXPECT_TRUE(window.trayNote()->isVisible());
    EXPECT_TRUE(window.trayNote()->text().contains("AppIndicator"));
    EXPECT_TRUE(services.guide.hintShown().get());  // never said again

    window.close();
    window.open();
    EXPECT_FALSE(window.trayNote()->isVisible());
    Q_EMIT window.content()->settingsChosen();
    EXPECT_EQ(world.settingsOpened, 1);
    EXPECT_TRUE(window.isVisible());  // the settings open beside it
}

}  // namespace
}  // namespace vesperine
