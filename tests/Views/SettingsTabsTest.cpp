#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <tuple>

#include "Settings/Views/AppsTab.h"
#include "Settings/Views/LocationPicker.h"
#include "SettingsWorld.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;

TEST_F(SettingsWindowTest, CitySearchTakesAnyText) {
    world.start();
    open();
    auto* search = find<QLineEdit>(window.get(), "searchCities");
    auto* cities = find<QListWidget>(window.get(), "cities");
    const std::pair<QString, int> cases[] = {
        {"", 80},
        {"USA", 20},
        {QString::fromUtf8("Zu\u0308rich"), 1},  // decomposed accents
        {"zurich", 1},
        {QString::fromUtf8("Zürich"), 1},
        {QString::fromUtf8("🌇"), 0},
        {QString(10'000, 'a'), 0},
        {QString::fromUtf8("\xF0\x9F"), 0},  // broken UTF-8 becomes a replacement character
    };
    for (const auto& [text, count] : cases) {
        SCOPED_TRACE(text.left(12).toStdString());
        search->setText(text);
        if (count >= 0) {
            EXPECT_EQ(cities->count(), count);
        }
        EXPECT_EQ(shown(find(window.get(), "noMatchingCity")), cities->count() == 0);
    }
}

TEST_F(SettingsWindowTest, ChoosingACitySavesItAndSaysSoForAWhile) {
    world.start();
    // The stand-in times in the one format of every time the windows show: the locale's.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    open();
    QLocale::setDefault(QLocale::system());
    ScheduleStore& store = world.services->state.store();
    EXPECT_EQ(text("currentLocation"), "No location set. Sunrise and sunset steps use 07:00 and 19:00.");
    find<QLineEdit>(window.get(), "searchCities")->setText("berlin");
    auto* cities = find<QListWidget>(window.get(), "cities");
    cities->itemActivated(cities->item(0));
    EXPECT_EQ(store.location()->value().name, "Berlin, Germany");
    EXPECT_EQ(text("currentLocation"), QString::fromUtf8("Berlin, Germany (52.52° N, 13.405° E)"));
    EXPECT_EQ(text("locationOutcome"), "Location set to Berlin, Germany");
    world.world.machine.time.advance(std::chrono::milliseconds(LocationPicker::confirmationMilliseconds));
    EXPECT_FALSE(shown(find<QLabel>(window.get(), "locationOutcome")->parentWidget()));

    // A write that fails: the place is in use, and the tab says it is not kept.
    world.world.machine.files.failWrites("/data/schedules.json", "No space left on device");
    cities->itemActivated(cities->item(0));  // still the Berlin search
    find<QLineEdit>(window.get(), "searchCities")->setText("tokyo");
    cities->itemActivated(cities->item(0));
    EXPECT_EQ(store.location()->value().name, "Tokyo, Japan");
    EXPECT_EQ(text("locationOutcome"), "Couldn't save: No space left on device");
    world.world.machine.time.advanceSeconds(60);
    EXPECT_TRUE(shown(find<QLabel>(window.get(), "locationOutcome")->parentWidget()));
}

// "Locate Me" is busy while the service looks, then stores what it found as a pick would, or
// says why it found nothing and keeps the location there was.
TEST_F(SettingsWindowTest, LocateMeStoresTheFoundPlaceOrSaysWhyNot) {
    world.start();
    open();
    ScheduleStore& store = world.services->state.store();
    auto* locate = find<QPushButton>(window.get(), "locateMe");
    const std::tuple<Result<Locator::Fix>, const char*, const char*> cases[] = {
        {Locator::Fix{48.87, 2.3, 5000}, "Location set to Paris, France", "Paris, France"},
        {Error{"GeoClue, the location service, refused: no"},
         "Couldn't find your location: GeoClue, the location service, refused: no",
         "Paris, France"},
    };
    int asked = 0;
    for (const auto& [fix, outcome, stored] : cases) {
        world.world.locator.answerWith(fix, 2s);
        click("locateMe");
        EXPECT_FALSE(locate->isEnabled());
        click("locateMe");  // busy: not asked twice
        EXPECT_EQ(world.world.locator.asks(), ++asked);
        world.world.machine.time.advance(2s);
        EXPECT_TRUE(locate->isEnabled());
        EXPECT_EQ(locate->text(), "Locate Me");
        EXPECT_EQ(text("locationOutcome"), QString::fromUtf8(outcome));
        EXPECT_EQ(store.location()->value().name, stored);
    }
    // A window closed while asking leaves nobody waiting.
    click("locateMe");
    window.reset();
    EXPECT_EQ(world.world.locator.waiting(), 0u);
}

TEST_F(SettingsWindowTest, CoordinatesUseOnlyFiniteNumbersInRange) {
    world.start();
    open();
    ScheduleStore& store = world.services->state.store();
    auto* latitude = find<QLineEdit>(window.get(), "latitude");
    auto* longitude = find<QLineEdit>(window.get(), "longitude");
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"1e999", "-1e999", "Enter a latitude from −90 to 90.", "Enter a longitude from −180 to 180."},
        {"90.5", "", "Enter a latitude from −90 to 90.", "Enter a longitude."},
        {"-33,92", "18.42", "", ""},
    };
    for (const auto& [typedLatitude, typedLongitude, latitudeProblem, longitudeProblem] : cases) {
        SCOPED_TRACE(typedLatitude);
        latitude->setText(QString::fromUtf8(typedLatitude));
        longitude->setText(QString::fromUtf8(typedLongitude));
        click("useCoordinates");
        EXPECT_EQ(text("latitudeProblem"), QString::fromUtf8(latitudeProblem));
        EXPECT_EQ(text("longitudeProblem"), QString::fromUtf8(longitudeProblem));
        const bool used = *latitudeProblem == 0 && *longitudeProblem == 0;
        EXPECT_EQ(store.location().get().has_value(), used);
    }
    EXPECT_EQ(store.location()->value().latitude, -33.92);
    EXPECT_EQ(text("locationOutcome"), QString::fromUtf8("Location set to 33.92° S, 18.42° E"));
}

TEST_F(SettingsWindowTest, AppsSaysWhyRulesCannotApplyWhereNoAppIsNamedInFront) {
    world.world.machine.workspace.setReportsFrontmost(false);
    world.start();
    open();
    EXPECT_TRUE(text("appsUnseen").endsWith("so these rules cannot apply here."));
}

TEST_F(SettingsWindowTest, AppRulesAreEditedInTheRules) {
    SimulatedWorkspace& workspace = world.world.machine.workspace;
    const RunningApplication self{AppInfo::current().bundleIdentifier, "Vesperine", 1},
        editor{"org.gnome.TextEditor", "Text Editor", 2}, videos{"org.gnome.Totem", "Videos", 3};
    for (const auto& application : {self, editor, videos}) workspace.launch(application);
    world.start();
    AppRules& rules = world.services->appRules;
    open();
    EXPECT_EQ(text("appsExplanation").left(44), "While one of these apps is in front, Vesperi");
    EXPECT_EQ(window->findChild<QLabel*>("appsUnseen"), nullptr);

    auto* picker = window->findChild<QWidget*>("rule:vlc")->findChild<QComboBox*>();
    picker->setCurrentIndex(1);
    picker->activated(1);
    EXPECT_EQ(rules.rule(std::string("vlc"))->behavior, AppRule::Behavior::pauseAll);

    auto* menu = find<QMenu>(window.get(), "runningApps");
    menu->aboutToShow();
    QStringList offered;
    for (auto* action : menu->actions()) offered << action->text();
    EXPECT_EQ(offered, QStringList{"Text Editor"});  // not us, not Videos (it has a rule)
    menu->actions().front()->trigger();
    EXPECT_EQ(rules.rule(std::string("org.gnome.TextEditor"))->behavior, AppRule::Behavior::pauseAll);
    settle();
    QTest::mouseClick(window->findChild<QWidget*>("rule:org.gnome.Totem")->findChild<QAbstractButton*>("remove"),
                      Qt::LeftButton);
    EXPECT_FALSE(rules.rule(std::string("org.gnome.Totem")));
    settle();
    EXPECT_EQ(window->findChild<QWidget*>("rule:org.gnome.Totem"), nullptr);

    // "Choose App…": an application's entry adds a rule; anything else adds nothing and says so.
    world.desktopFiles["/apps/gimp.desktop"] = {"gimp", "GNU Image Manipulation Program"};
    world.desktopFiles["/apps/noid.desktop"] = {"", "Nameless"};
    auto* apps = window->findChild<AppsTab*>();
    const auto before = rules.rules().get().size();
    for (const char* path : {"/apps/noid.desktop", "/apps/readme.txt"}) {
        apps->addDesktopFile(path);
        EXPECT_EQ(rules.rules().get().size(), before) << path;
        EXPECT_TRUE(shown(find(window.get(), "chooseProblem")));
    }
    apps->addDesktopFile("/apps/gimp.desktop");
    EXPECT_EQ(rules.rule(std::string("gimp"))->name, "GNU Image Manipulation Program");
    EXPECT_FALSE(shown(find(window.get(), "chooseProblem")));

    click("restoreAppDefaults");
    EXPECT_EQ(rules.rules().get(), AppRule::defaults());
    find<QCheckBox>(window.get(), "pauseWhileFullScreen")->click();
    EXPECT_TRUE(rules.pauseWhileFullScreen().get());
}

TEST_F(SettingsWindowTest, PowerSettingsAndWhatTheGuardSees) {
    world.world.machine.power.set({true, 19, false, ThermalState::serious});
    world.start();
    PowerGuard& guard = world.services->powerGuard;
    open();
    auto* low = find<QSpinBox>(window.get(), "lowBatteryPercent");
    low->setValue(35);
    EXPECT_EQ(guard.settings()->lowBatteryPercent, 35);
    EXPECT_TRUE(text("powerCaption").startsWith("Boost comes back when the battery is 40% or more"));
    low->setValue(55);
    EXPECT_EQ(guard.settings()->lowBatteryPercent, 50);
    low->setValue(0);
    EXPECT_EQ(guard.settings()->lowBatteryPercent, 5);

    // What the status rows say for these inputs (no battery row: nullptr).
    const std::tuple<PowerInputs, const char*, const char*, const char*, const char*> cases[] = {
        {{true, 4, false, ThermalState::nominal}, "Battery", "4%", "Normal", "Off (battery low)"},
        {{true, 80, true, ThermalState::fair}, "Battery", "80%", "Warm", "Off (Low Power Mode)"},
        {{true, 80, false, ThermalState::nominal}, "Battery", "80%", "Normal", "Up to 150% (on battery)"},
        {{false, std::nullopt, false, ThermalState::critical}, "Power adapter", nullptr, "Very hot",
         "Off (computer is hot)"},
    };
    for (const auto& [inputs, power, battery, temperature, boost] : cases) {
        SCOPED_TRACE(boost);
        world.world.machine.power.set(inputs);
        EXPECT_EQ(text("statusPower"), power);
        EXPECT_EQ(window->findChild<QLabel*>("statusBattery") ? text("statusBattery") : QString(),
                  battery ? QString(battery) : QString());
        EXPECT_EQ(text("statusTemperature"), temperature);
        EXPECT_EQ(text("statusBoost"), boost);
    }
    for (const char* name : {"capOnBattery", "offInLowPowerMode", "thermalProtection"}) {
        find<QCheckBox>(window.get(), name)->click();
    }
    EXPECT_EQ(guard.settings().get(), (GuardSettings{false, 1.5, 5, false, false}));
    EXPECT_EQ(text("statusBoost"), "Not limited");
}

}  // namespace
}  // namespace vesperine
