#include "Settings/Views/SettingsWindow.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "Platform/Simulated/SimulatedLoginItem.h"
#include "Settings/Views/AppsTab.h"
#include "Settings/Views/LeaveQuestion.h"
#include "Settings/Views/ScheduleTab.h"
#include "Settings/Views/SettingsWindowOpener.h"
#include "ViewWorld.h"

namespace vesperine {
namespace {

// A settings window over the program's services on a simulated machine, owned by the test,
// with the login item and the desktop entries a test plants.
class SettingsWindowTest : public testing::Test {
protected:
    // Starts the program's services; plant in `world.machine` first when the test needs to.
    SettingsServices& start() {
        world.start();
        services = std::make_unique<SettingsServices>(world.settingsServices(loginItem));
        services->applicationFolders = {"/nonexistent/applications"};
        services->readDesktopEntry = [this](const std::string& path) {
            auto found = desktopFiles.find(path);
            return found == desktopFiles.end() ? std::nullopt : std::optional(found->second);
        };
        return *services;
    }
    // Starts the program first, unless the test has.
    SettingsWindow& open() {
        if (!services) start();
        window = std::make_unique<SettingsWindow>(*services);
        window->setAttribute(Qt::WA_DeleteOnClose, false);  // the test owns it
        return *window;
    }
    template <class T = QWidget>
    T* get(const char* name) {
        return find<T>(window.get(), name);
    }
    void click(const char* name) { QTest::mouseClick(get<QAbstractButton>(name), Qt::LeftButton); }
    QString text(const char* name) { return get<QLabel>(name)->text(); }
    bool visible(const char* name) { return get(name)->isVisibleTo(window.get()); }
    // Rows rebuilt by a change go once control returns to the loop.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    ViewWorld world;
    SimulatedLoginItem loginItem;
    std::map<std::string, DesktopApplication> desktopFiles;  // path → what the entry says
    std::unique_ptr<SettingsServices> services;
    std::unique_ptr<SettingsWindow> window;
};

TEST_F(SettingsWindowTest, OneWindowAtATimeGoneWhenClosed) {
    start();
    SettingsWindowOpener opener(*services);
    SettingsWindow* first = opener.open();
    EXPECT_EQ(opener.open(), first);  // raised, not made again
    first->close();
    settle();
    EXPECT_EQ(opener.window(), nullptr);
    SettingsWindow* second = opener.open();
    EXPECT_NE(second, nullptr);

    // A schedule edited but not saved: closing asks about it instead of dropping it.
    auto* tab = second->findChild<ScheduleTab*>();
    ASSERT_TRUE(tab);
    tab->setEditingID(world.app->state().store().active().id);
    QTest::keyClick(second->findChild<QSpinBox*>("fadeStepper"), Qt::Key_Up);
    ASSERT_TRUE(tab->hasUnsavedChanges());
    second->close();
    settle();
    EXPECT_EQ(opener.window(), second);
    EXPECT_TRUE(second->findChild<LeaveQuestion*>());
}

TEST_F(SettingsWindowTest, LoginItemShowsWhatTheSystemDid) {
    open();
    auto* login = get<QCheckBox>("openAtLogin");
    login->click();
    EXPECT_TRUE(loginItem.isEnabled());
    loginItem.failNextChange("The autostart folder is read-only");
    login->click();
    EXPECT_TRUE(login->isChecked());  // still on: the change was refused
    EXPECT_EQ(text("loginError"), "Couldn't change login item: The autostart folder is read-only");
    EXPECT_TRUE(shown(get<QLabel>("loginError")));

    // A setting that cannot be saved is said under the tabs, whichever tab changed it.
    EXPECT_FALSE(visible("saveFailure"));
    world.machine.defaults.failWrites("No space left on device");
    get<QCheckBox>("thermalProtection")->click();
    EXPECT_EQ(text("saveFailure"), "Couldn't save: No space left on device");
    EXPECT_TRUE(visible("saveFailure"));
}

TEST_F(SettingsWindowTest, OtherThingsAdjustingTheDisplayAndWhatThisDesktopCannotTell) {
    world.machine.nightLight.setStatus(SystemFeatureStatus::unavailable);
    world.machine.workspace.setReportsFrontmost(false);
    open();
    EXPECT_EQ(text("conflictsEmpty"), "None found.");
    EXPECT_EQ(text("unavailable"), "Night Light can't be checked on this desktop.");

    world.machine.nightLight.setStatus(SystemFeatureStatus::on);
    world.machine.processes.start(4242, "redshift");
    click("checkAgain");
    settle();
    EXPECT_EQ(text("conflict:nightLight"),
              "Night Light is on and will tint the screen on top of Vesperine.");
    EXPECT_NE(window->findChild<QLabel*>("conflict:app:redshift"), nullptr);
    EXPECT_EQ(window->findChild<QLabel*>("conflictsEmpty"), nullptr);

    click("fix:nightLight");
    world.machine.time.advanceSeconds(2);
    settle();
    EXPECT_EQ(window->findChild<QLabel*>("conflict:nightLight"), nullptr);
}

using namespace std::chrono_literals;

TEST_F(SettingsWindowTest, CitySearchTakesAnyTextAndAChosenCityIsSavedOrSaysWhyNot) {
    // The stand-in times in the one format of every time the windows show: the locale's.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    open();
    QLocale::setDefault(QLocale::system());
    auto* search = get<QLineEdit>("searchCities");
    auto* cities = get<QListWidget>("cities");
    const std::pair<QString, int> cases[] = {
        {"", 80},
        {QString::fromUtf8("Zu\u0308rich"), 1},  // decomposed accents
        {QString::fromUtf8("\xF0\x9F"), 0},      // broken UTF-8 becomes a replacement character
    };
    for (const auto& [text, count] : cases) {
        SCOPED_TRACE(text.left(12).toStdString());
        search->setText(text);
        EXPECT_EQ(cities->count(), count);
        EXPECT_EQ(shown(get("noMatchingCity")), cities->count() == 0);
    }

    ScheduleStore& store = services->state.store();
    EXPECT_EQ(text("currentLocation"), "No location set. Sunrise and sunset steps use 07:00 and 19:00.");
    search->setText("berlin");
    cities->itemActivated(cities->item(0));
    EXPECT_EQ(store.location()->value().name, "Berlin, Germany");
    EXPECT_EQ(text("currentLocation"), QString::fromUtf8("Berlin, Germany (52.52° N, 13.405° E)"));
    EXPECT_EQ(text("locationOutcome"), "Location set to Berlin, Germany");

    // A write that fails: the place is in use, and the tab says it is not kept.
    world.machine.files.failWrites("/data/schedules.json", "No space left on device");
    cities->itemActivated(cities->item(0));  // still the Berlin search
    search->setText("tokyo");
    cities->itemActivated(cities->item(0));
    EXPECT_EQ(store.location()->value().name, "Tokyo, Japan");
    EXPECT_EQ(text("locationOutcome"), "Couldn't save: No space left on device");
    world.machine.time.advanceSeconds(60);
    EXPECT_TRUE(shown(get<QLabel>("locationOutcome")->parentWidget()));
}

// Busy while the service looks; what it finds is stored as a pick would be, or it says why not.
TEST_F(SettingsWindowTest, LocateMeStoresTheFoundPlaceOrSaysWhyNot) {
    open();
    ScheduleStore& store = services->state.store();
    auto* locate = get<QPushButton>("locateMe");
    const std::tuple<Result<Locator::Fix>, const char*, const char*> cases[] = {
        {Locator::Fix{48.87, 2.3, 5000}, "Location set to Paris, France", "Paris, France"},
        {Error{"GeoClue, the location service, refused: no"},
         "Couldn't find your location: GeoClue, the location service, refused: no",
         "Paris, France"},
    };
    int asked = 0;
    for (const auto& [fix, outcome, stored] : cases) {
        world.locator.answerWith(fix, 2s);
        click("locateMe");
        EXPECT_FALSE(locate->isEnabled());
        click("locateMe");  // busy: not asked twice
        EXPECT_EQ(world.locator.asks(), ++asked);
        world.machine.time.advance(2s);
        EXPECT_TRUE(locate->isEnabled());
        EXPECT_EQ(text("locationOutcome"), QString::fromUtf8(outcome));
        EXPECT_EQ(store.location()->value().name, stored);
    }
    // A window closed while asking leaves nobody waiting.
    click("locateMe");
    window.reset();
    EXPECT_EQ(world.locator.waiting(), 0u);
}

TEST_F(SettingsWindowTest, CoordinatesUseOnlyFiniteNumbersInRange) {
    open();
    ScheduleStore& store = services->state.store();
    get<QLineEdit>("latitude")->setText("1e999");
    get<QLineEdit>("longitude")->setText("-1e999");
    click("useCoordinates");
    EXPECT_EQ(text("latitudeProblem"), QString::fromUtf8("Enter a latitude from −90 to 90."));
    EXPECT_EQ(text("longitudeProblem"), QString::fromUtf8("Enter a longitude from −180 to 180."));
    EXPECT_FALSE(store.location().get().has_value());

    get<QLineEdit>("latitude")->setText("-33,92");
    get<QLineEdit>("longitude")->setText("18.42");
    click("useCoordinates");
    EXPECT_EQ(text("latitudeProblem"), "");
    EXPECT_EQ(text("longitudeProblem"), "");
    EXPECT_EQ(store.location()->value().latitude, -33.92);
    EXPECT_EQ(text("locationOutcome"), QString::fromUtf8("Location set to 33.92° S, 18.42° E"));
}

TEST_F(SettingsWindowTest, AppRulesAreEditedInTheRules) {
    SimulatedWorkspace& workspace = world.machine.workspace;
    const RunningApplication self{AppInfo::current().bundleIdentifier, "Vesperine", 1},
        editor{"org.gnome.TextEditor", "Text Editor", 2}, videos{"org.gnome.Totem", "Videos", 3};
    for (const auto& application : {self, editor, videos}) workspace.launch(application);
    open();
    AppRules& rules = services->appRules;
    EXPECT_EQ(window->findChild<QLabel*>("appsUnseen"), nullptr);

    auto* picker = get("rule:vlc")->findChild<QComboBox*>();
    picker->setCurrentIndex(1);
    picker->activated(1);
    EXPECT_EQ(rules.rule(std::string("vlc"))->behavior, AppRule::Behavior::pauseAll);

    auto* menu = get<QMenu>("runningApps");
    menu->aboutToShow();
    QStringList offered;
    for (auto* action : menu->actions()) offered << action->text();
    EXPECT_EQ(offered, QStringList{"Text Editor"});  // not us, not Videos (it has a rule)
    menu->actions().front()->trigger();
    EXPECT_EQ(rules.rule(std::string("org.gnome.TextEditor"))->behavior, AppRule::Behavior::pauseAll);
    settle();
    QTest::mouseClick(get("rule:org.gnome.Totem")->findChild<QAbstractButton*>("remove"),
                      Qt::LeftButton);
    EXPECT_FALSE(rules.rule(std::string("org.gnome.Totem")));
    settle();
    EXPECT_EQ(window->findChild<QWidget*>("rule:org.gnome.Totem"), nullptr);

    // "Choose App…": an application's entry adds a rule; anything else adds nothing and says so.
    desktopFiles["/apps/gimp.desktop"] = {"gimp", "GNU Image Manipulation Program"};
    desktopFiles["/apps/noid.desktop"] = {"", "Nameless"};
    auto* apps = window->findChild<AppsTab*>();
    const auto before = rules.rules().get().size();
    apps->addDesktopFile("/apps/noid.desktop");
    EXPECT_EQ(rules.rules().get().size(), before);
    EXPECT_TRUE(shown(get("chooseProblem")));
    apps->addDesktopFile("/apps/gimp.desktop");
    EXPECT_EQ(rules.rule(std::string("gimp"))->name, "GNU Image Manipulation Program");
    EXPECT_FALSE(shown(get("chooseProblem")));

    click("restoreAppDefaults");
    EXPECT_EQ(rules.rules().get(), AppRule::defaults());
    get<QCheckBox>("pauseWhileFullScreen")->click();
    EXPECT_TRUE(rules.pauseWhileFullScreen().get());
}

TEST_F(SettingsWindowTest, PowerSettingsAndWhatTheGuardSees) {
    world.machine.power.set({true, 19, false, ThermalState::serious});
    open();
    PowerGuard& guard = services->powerGuard;
    auto* low = get<QSpinBox>("lowBatteryPercent");
    low->setValue(35);
    EXPECT_EQ(guard.settings()->lowBatteryPercent, 35);
    EXPECT_TRUE(text("powerCaption").startsWith("Boost comes back when the battery is 40% or more"));

    // What the status rows say for these inputs (no battery row: nullptr).
    const std::tuple<PowerInputs, const char*, const char*, const char*, const char*> cases[] = {
        {{true, 4, false, ThermalState::nominal}, "Battery", "4%", "Normal", "Off (battery low)"},
        {{true, 80, false, ThermalState::nominal}, "Battery", "80%", "Normal", "Up to 150% (on battery)"},
        {{false, std::nullopt, false, ThermalState::critical}, "Power adapter", nullptr, "Very hot",
         "Off (computer is hot)"},
    };
    for (const auto& [inputs, power, battery, temperature, boost] : cases) {
        SCOPED_TRACE(boost);
        world.machine.power.set(inputs);
        EXPECT_EQ(text("statusPower"), power);
        EXPECT_EQ(window->findChild<QLabel*>("statusBattery") ? text("statusBattery") : QString(),
                  battery ? QString(battery) : QString());
        EXPECT_EQ(text("statusTemperature"), temperature);
        EXPECT_EQ(text("statusBoost"), boost);
    }
    for (const char* name : {"capOnBattery", "offInLowPowerMode", "thermalProtection"}) {
        get<QCheckBox>(name)->click();
    }
    EXPECT_EQ(guard.settings().get(), (GuardSettings{false, 1.5, 35, false, false}));
    EXPECT_EQ(text("statusBoost"), "Not limited");
}

TEST_F(SettingsWindowTest, RecordingAShortcut) {
    open();
    HotkeyManager& hotkeys = services->hotkeys;
    auto* bright = get<QPushButton>("keys:toggleBright");
    auto* warm = get<QPushButton>("keys:toggleWarm");
    EXPECT_EQ(bright->text(), "Ctrl+Alt+B");

    const Qt::KeyboardModifiers ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
    const struct {
        const char* what;
        int key;
        Qt::KeyboardModifiers modifiers;
        const char* shows;    // the button afterwards
        const char* message;  // under the rows
        bool stillRecording;
    } presses[] = {
        {"a lone modifier", Qt::Key_Control, Qt::ControlModifier, "Type shortcut…", "", true},
        {"no modifier", Qt::Key_A, Qt::ShiftModifier, "Type shortcut…",
         "Hold Ctrl, Alt or Super with the key.", true},
        {"a key no grab can take", Qt::Key_Eacute, ctrlAlt, "Type shortcut…",
         "That key can't be used for a shortcut. Try another.", true},
        {"a good one", Qt::Key_K, ctrlAlt | Qt::ShiftModifier, "Ctrl+Alt+Shift+K", "", false},
    };
    click("keys:toggleBright");
    EXPECT_FALSE(hotkeys.isRegistered(HotkeyAction::toggleWarm));  // suspended while recording
    for (const auto& press : presses) {
        SCOPED_TRACE(press.what);
        QTest::keyClick(bright, static_cast<Qt::Key>(press.key), press.modifiers);
        EXPECT_EQ(bright->text(), QString::fromUtf8(press.shows));
        EXPECT_EQ(text("recordingMessage"), QString::fromUtf8(press.message));
        EXPECT_EQ(hotkeys.isRegistered(HotkeyAction::toggleWarm), !press.stillRecording);
    }
    EXPECT_EQ(hotkeys.bindings()->at(HotkeyAction::toggleBright),
              (KeyCombo{40, 0x1A00, "K"}));

    // Esc leaves the old keys; the keys of another action are taken, and both rows say so:
    // the later one cannot have them.
    click("keys:toggleWarm");
    QTest::keyClick(warm, Qt::Key_Escape);
    EXPECT_EQ(warm->text(), "Ctrl+Alt+W");
    click("keys:toggleWarm");
    QTest::keyClick(warm, Qt::Key_K, ctrlAlt | Qt::ShiftModifier);
    EXPECT_EQ(text("inUse:toggleWarm"), "In use by Vesperine for Bright on/off");
    EXPECT_TRUE(shown(get("inUse:toggleWarm")->parentWidget()));
    EXPECT_EQ(text("shared:toggleBright"), "Same as Warm on/off");

    click("clear:toggleRed");
    EXPECT_EQ(hotkeys.bindings()->count(HotkeyAction::toggleRed), 0u);

    // Closed while recording, the window gives the shortcuts back.
    click("keys:offOrResume");
    EXPECT_FALSE(hotkeys.isRegistered(HotkeyAction::offOrResume));
    window.reset();
    EXPECT_TRUE(hotkeys.isRegistered(HotkeyAction::offOrResume));
}

}  // namespace
}  // namespace vesperine
