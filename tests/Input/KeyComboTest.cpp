#include "Input/KeyCombo.h"
#include "Input/ShortcutText.h"
#include "Input/ShortcutTrigger.h"

#include <gtest/gtest.h>

#include "Input/HotkeyBindings.h"

namespace vesperine {
namespace {

constexpr std::uint32_t controlOption = 0x1800;

TEST(KeyCombo, DecodesStoredBindings) {
    const KeyCombo b{11, controlOption, "B"};
    const std::tuple<const char*, const char*, std::optional<HotkeyBindings>> cases[] = {
        {"empty array: nothing bound", "[]", HotkeyBindings{}},
        {"one pair", R"(["toggleBright",{"keyCode":11,"modifiers":6144,"key":"B"}])",
         HotkeyBindings{{HotkeyAction::toggleBright, b}}},
        {"pairs in any order, extra members ignored",
         R"(["offOrResume",{"keyCode":29,"modifiers":6144,"key":"0","x":1},
             "stepUp",{"key":"↑","modifiers":6144,"keyCode":126}])",
         HotkeyBindings{{HotkeyAction::offOrResume, {29, controlOption, "0"}},
                        {HotkeyAction::stepUp, {126, controlOption, "↑"}}}},
        {"values kept as stored", R"(["toggleRed",{"keyCode":4294967295,"modifiers":0,"key":""}])",
         HotkeyBindings{{HotkeyAction::toggleRed, {0xFFFFFFFF, 0, ""}}}},
        {"an object, not an array", R"({"toggleBright":{"keyCode":11,"modifiers":6144,"key":"B"}})",
         std::nullopt},
        {"odd element count", R"(["toggleBright"])", std::nullopt},
        {"unknown action", R"(["dimAll",{"keyCode":11,"modifiers":6144,"key":"B"}])", std::nullopt},
        {"missing key", R"(["toggleBright",{"keyCode":11,"modifiers":6144}])", std::nullopt},
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
        {"other flags do not count", {0, (1ull << 16) | (1ull << 23), "a"}, std::nullopt},
        {"command shift A", {0, command | shift, "a"}, KeyCombo{0, 0x300, "A"}},
        {"all four with left arrow", {123, control | option | shift | command, ""}, KeyCombo{123, 0x1B00, "←"}},
        {"no characters", {105, control, ""}, KeyCombo{105, 0x1000, "?"}},
        {"non-ASCII upper-cased", {41, option, "ö"}, KeyCombo{41, 0x800, "Ö"}},
        {"sharp s upper-cases to two letters", {27, option, "ß"}, KeyCombo{27, 0x800, "SS"}},
    };
    for (const auto& [name, event, expected] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(KeyCombo::fromEvent(event), expected);
    }
}

TEST(ShortcutText, ModifiersInTheDesktopsOrderThenTheKeysName) {
    const std::pair<KeyCombo, const char*> cases[] = {
        {{11, 0x1800, "B"}, "Ctrl+Alt+B"},
        {{126, 0x1800, "↑"}, "Ctrl+Alt+Up"},
        {{123, 0x1B00, "←"}, "Ctrl+Alt+Shift+Super+Left"},
        {{96, 0x100, "?"}, "Super+F5"},  // a function key types nothing
        {{121, 0x1000, "PAGE DOWN"}, "Ctrl+Page Down"},
        {{29, 0x1200, "0"}, "Ctrl+Shift+0"},
        {{0xFFFF, 0x800, "É"}, "Alt+É"},
    };
    for (const auto& [combo, text] : cases) EXPECT_EQ(shortcutText(combo), text);
}

TEST(ShortcutTrigger, PortalTriggersNameModifiersThenTheKeysym) {
    const std::pair<KeyCombo, std::optional<std::string>> cases[] = {
        {{11, 0x1800, "B"}, "CTRL+ALT+b"},
        {{126, 0x1800, "↑"}, "CTRL+ALT+Up"},
        {{123, 0x1B00, "←"}, "CTRL+ALT+SHIFT+LOGO+Left"},
        {{33, 0x100, "["}, "LOGO+bracketleft"},
        {{29, 0x1000, "0"}, "CTRL+0"},
        {{83, 0x1000, "1"}, "CTRL+KP_1"},
        {{0xFFFF, 0x800, "É"}, std::nullopt},         // no keysym known for the code
        {{11, 0x1800 | 0x10000, "B"}, std::nullopt},  // a modifier we never store
    };
    for (const auto& [combo, trigger] : cases) EXPECT_EQ(shortcutTrigger(combo), trigger);
}

}  // namespace
}  // namespace vesperine
