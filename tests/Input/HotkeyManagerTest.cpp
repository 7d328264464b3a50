#include "Input/HotkeyManager.h"
#include "Input/KeyCombo.h"
#include "Input/ShortcutText.h"
#include "Input/ShortcutTrigger.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Input/HotkeyBindings.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/MemoryDefaultsStore.h"
#include "Platform/Simulated/SimulatedHotkeys.h"

namespace vesperine {
namespace {

const KeyCombo controlOptionB{11, 0x1800, "B"};
const KeyCombo controlOption0{29, 0x1800, "0"};

class HotkeyManagerTest : public ::testing::Test {
protected:
    // A fresh manager on the same defaults and service, as after a restart.
    HotkeyManager& launch() {
        manager.reset();
        manager = std::make_unique<HotkeyManager>(defaults, service, logger);
        manager->onAction = [this](HotkeyAction action) { fired.push_back(action); };
        manager->start();
        return *manager;
    }
    std::set<std::uint32_t> registeredIds() const {
        std::set<std::uint32_t> ids;
        for (const auto& r : service.registrations()) ids.insert(r.id.id);
        return ids;
    }

    MemoryDefaultsStore defaults;
    SimulatedHotkeys service;
    CapturingLogger logger;
    std::unique_ptr<HotkeyManager> manager;
    std::vector<HotkeyAction> fired;
};

TEST_F(HotkeyManagerTest, RegistersTheDefaultsOnlyBetweenStartAndItsEnd) {
    HotkeyManager(defaults, service, logger);
    EXPECT_EQ(service.attempts(), 0u);
    launch();
    for (const auto& r : service.registrations())
        EXPECT_EQ(KeyCombo::defaults().at(*hotkeyActionAt(r.id.id)), r.combo);
    EXPECT_EQ(registeredIds(), (std::set<std::uint32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_TRUE(service.press(controlOption0));
    for (std::uint32_t id : {6u, 0xFFFFFFFFu}) service.pressId({0, id});  // no action's
    EXPECT_EQ(fired, std::vector{HotkeyAction::offOrResume});
    manager.reset();
    EXPECT_TRUE(service.registrations().empty());
    EXPECT_FALSE(service.hasHandler());
}

TEST_F(HotkeyManagerTest, StoredBindingsDecideWhatIsBoundAndChangesLast) {
    const std::set<HotkeyAction> all{std::begin(allHotkeyActions), std::end(allHotkeyActions)};
    const std::pair<std::optional<std::string>, std::set<HotkeyAction>> cases[] = {
        {std::nullopt, all},
        {"hotkeys!", all},  // undecodable: the defaults, without a word
        {"[]", {}},
        {R"(["toggleRed",{"keyCode":15,"modifiers":6144,"key":"R"}])", {HotkeyAction::toggleRed}},
    };
    for (const auto& [stored, bound] : cases) {
        SCOPED_TRACE(stored.value_or("nothing"));
        defaults.remove("hotkeys");
        if (stored) defaults.setData("hotkeys", *stored);
        launch();
        std::set<HotkeyAction> actions;
        for (const auto& [action, _] : manager->bindings().get()) actions.insert(action);
        EXPECT_EQ(actions, bound);
        EXPECT_EQ(registeredIds().size(), bound.size());
        EXPECT_TRUE(logger.lines().empty());
    }
    launch().restoreDefaults();
    manager->set(std::nullopt, HotkeyAction::toggleRed);
    launch();
    EXPECT_EQ(registeredIds(), (std::set<std::uint32_t>{0, 1, 2, 3, 5}));  // cleared stays so
}

// The log names keys and actions as the Shortcuts tab does. (The same keys bound to two
// actions: X11HotkeyServiceTest, on a real server.)
TEST_F(HotkeyManagerTest, ARefusedRegistrationIsAConflictAndTheOthersWork) {
    service.setTakenElsewhere(controlOptionB, true);
    launch();
    EXPECT_EQ(manager->conflicts().get(), std::set{HotkeyAction::toggleBright});
    EXPECT_TRUE(
        logger.contains("Hot key Ctrl+Alt+B for \"Bright on/off\" is not available: "
                        "Ctrl+Alt+B is held by another program.",
                        "hotkeys"));
    EXPECT_EQ(service.registrations().size(), 5u);
    EXPECT_TRUE(service.press(KeyCombo::defaults().at(HotkeyAction::stepDown)));
    EXPECT_EQ(fired, std::vector{HotkeyAction::stepDown});
}

constexpr std::uint32_t controlOption = 0x1800;

TEST(KeyCombo, DecodesStoredBindings) {
    const std::tuple<const char*, const char*, std::optional<HotkeyBindings>> cases[] = {
        {"empty array: nothing bound", "[]", HotkeyBindings{}},
        {"pairs in any order, extra members ignored",
         R"(["offOrResume",{"keyCode":29,"modifiers":6144,"key":"0","x":1},
             "stepUp",{"key":"↑","modifiers":6144,"keyCode":126}])",
         HotkeyBindings{{HotkeyAction::offOrResume, {29, controlOption, "0"}},
                        {HotkeyAction::stepUp, {126, controlOption, "↑"}}}},
        {"an object, not an array", R"({"toggleBright":{"keyCode":11,"modifiers":6144,"key":"B"}})",
         std::nullopt},
        {"odd element count", R"(["toggleBright"])", std::nullopt},
        {"unknown action", R"(["dimAll",{"keyCode":11,"modifiers":6144,"key":"B"}])", std::nullopt},
        {"key code past 32 bits",
         R"(["toggleBright",{"keyCode":4294967296,"modifiers":0,"key":"B"}])", std::nullopt},
        {"one bad pair spoils all",
         R"(["toggleBright",{"keyCode":11,"modifiers":6144,"key":"B"},"stepUp",null])",
         std::nullopt},
    };
    for (const auto& [name, text, expected] : cases) {
        SCOPED_TRACE(name);
        auto decoded = json::decode<HotkeyBindings>(text);
        EXPECT_EQ(decoded.ok() ? std::optional(*decoded) : std::nullopt, expected);
    }
}

TEST(KeyCombo, FromRecordedEvent) {
    constexpr auto shift = KeyEvent::shiftFlag, control = KeyEvent::controlFlag,
                   option = KeyEvent::optionFlag, command = KeyEvent::commandFlag;
    const std::tuple<const char*, KeyEvent, std::optional<KeyCombo>> cases[] = {
        {"no modifier", {0, 0, "a"}, std::nullopt},
        {"shift alone does not count", {0, shift, "a"}, std::nullopt},
        {"command shift A", {0, command | shift, "a"}, KeyCombo{0, 0x300, "A"}},
        {"all four with left arrow", {123, control | option | shift | command, ""}, KeyCombo{123, 0x1B00, "←"}},
        {"no characters", {105, control, ""}, KeyCombo{105, 0x1000, "?"}},
        {"non-ASCII upper-cased", {41, option, "ö"}, KeyCombo{41, 0x800, "Ö"}},
    };
    for (const auto& [name, event, expected] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(KeyCombo::fromEvent(event), expected);
    }
}

// What the Shortcuts tab shows, and the trigger the portal is given, for the same combination.
TEST(ShortcutText, ModifiersInTheDesktopsOrderThenTheKeysNameOrKeysym) {
    const std::tuple<KeyCombo, const char*, std::optional<std::string>> cases[] = {
        {{11, 0x1800, "B"}, "Ctrl+Alt+B", "CTRL+ALT+b"},
        {{123, 0x1B00, "←"}, "Ctrl+Alt+Shift+Super+Left", "CTRL+ALT+SHIFT+LOGO+Left"},
        {{96, 0x100, "?"}, "Super+F5", "LOGO+F5"},  // a function key types nothing
        {{121, 0x1000, "PAGE DOWN"}, "Ctrl+Page Down", "CTRL+Next"},
        {{33, 0x100, "["}, "Super+[", "LOGO+bracketleft"},
        {{83, 0x1000, "1"}, "Ctrl+1", "CTRL+KP_1"},
        {{0xFFFF, 0x800, "É"}, "Alt+É", std::nullopt},              // no keysym known for the code
        {{11, 0x1800 | 0x10000, "B"}, "Ctrl+Alt+B", std::nullopt},  // a modifier we never store
    };
    for (const auto& [combo, text, trigger] : cases) {
        EXPECT_EQ(shortcutText(combo), text);
        EXPECT_EQ(shortcutTrigger(combo), trigger) << text;
    }
}

}  // namespace
}  // namespace vesperine
