#include "Input/KeyCombo.h"

#include <gtest/gtest.h>

#include "Input/HotkeyBindings.h"

namespace vesperine {
namespace {

constexpr std::uint32_t controlOption = 0x1800;

TEST(KeyCombo, DecodesStoredBindings) {
    const KeyCombo b{11, controlOption, "B"};
    struct Case {
        const char* name;
        const char* json;
        std::optional<HotkeyBindings> expected;
    } cases[] = {
        {"empty array: nothing bound", "[]", HotkeyBindings{}},
        {"one pair", R"(["toggleBright",{"keyCode":11,"modifiers":6144,"key":"B"}])",
         HotkeyBindings{{HotkeyAction::toggleBright, b}}},
        {"pairs in any order, extra members ignored",
         R"(["offOrResume",{"keyCode":29,"modifiers":6144,"key":"0","x":1},
             "stepUp",{"key":"↑","modifiers":6144,"keyCode":126}])",
         HotkeyBindings{{HotkeyAction::offOrResume, {29, controlOption, "0"}},
                        {HotkeyAction::stepUp, {126, controlOption, "↑"}}}},
        {"integral float is an integer",
         R"(["toggleRed",{"keyCode":15.0,"modifiers":6144,"key":"R"}])",
         HotkeyBindings{{HotkeyAction::toggleRed, {15, controlOption, "R"}}}},
        {"values kept as stored", R"(["toggleRed",{"keyCode":4294967295,"modifiers":0,"key":""}])",
         HotkeyBindings{{HotkeyAction::toggleRed, {0xFFFFFFFF, 0, ""}}}},
        {"a repeated action: the later pair counts",
         R"(["toggleWarm",{"keyCode":1,"modifiers":256,"key":"S"},
             "toggleWarm",{"keyCode":13,"modifiers":6144,"key":"W"}])",
         HotkeyBindings{{HotkeyAction::toggleWarm, {13, controlOption, "W"}}}},
        {"an object, not an array", R"({"toggleBright":{"keyCode":11,"modifiers":6144,"key":"B"}})",
         std::nullopt},
        {"odd element count", R"(["toggleBright"])", std::nullopt},
        {"unknown action", R"(["dimAll",{"keyCode":11,"modifiers":6144,"key":"B"}])", std::nullopt},
        {"wrong case of action", R"(["ToggleBright",{"keyCode":11,"modifiers":6144,"key":"B"}])",
         std::nullopt},
        {"missing key", R"(["toggleBright",{"keyCode":11,"modifiers":6144}])", std::nullopt},
        {"negative key code", R"(["toggleBright",{"keyCode":-1,"modifiers":6144,"key":"B"}])",
         std::nullopt},
        {"key code past 32 bits",
         R"(["toggleBright",{"keyCode":4294967296,"modifiers":0,"key":"B"}])", std::nullopt},
        {"fractional modifiers", R"(["toggleBright",{"keyCode":11,"modifiers":6144.5,"key":"B"}])",
         std::nullopt},
        {"one bad pair spoils all",
         R"(["toggleBright",{"keyCode":11,"modifiers":6144,"key":"B"},"stepUp",null])",
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto decoded = json::decode<HotkeyBindings>(c.json);
        EXPECT_EQ(decoded.ok() ? std::optional(*decoded) : std::nullopt, c.expected);
    }
}

TEST(KeyCombo, StoredFormRoundTripsAsAlternatingArray) {
    HotkeyBindings bindings = KeyCombo::defaults();
    bindings[HotkeyAction::stepDown] = {0, 0x1B00, "ä"};
    auto text = json::encode(bindings);
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(json::parse(*text)->size(), 12u);
    auto back = json::decode<HotkeyBindings>(*text);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(*back, bindings);
}

TEST(KeyCombo, DisplayPutsModifiersInFixedOrder) {
    struct Case {
        std::uint32_t modifiers;
        const char* key;
        const char* shown;
    } cases[] = {
        {0, "F5", "F5"},         {0x100, "A", "⌘A"},           {0x300, "A", "⇧⌘A"},
        {0x1B00, "←", "⌃⌥⇧⌘←"}, {0x1200, "Space", "⌃⇧Space"},
        {0x0400 | 0x0800, "Q", "⌥Q"},  // bits of no modifier show nothing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ((KeyCombo{1, c.modifiers, c.key}.display()), c.shown);
    }
}

TEST(KeyCombo, FromRecordedEvent) {
    constexpr auto shift = KeyEvent::shiftFlag, control = KeyEvent::controlFlag,
                   option = KeyEvent::optionFlag, command = KeyEvent::commandFlag;
    struct Case {
        const char* name;
        KeyEvent event;
        std::optional<KeyCombo> expected;
    } cases[] = {
        {"no modifier", {0, 0, "a"}, std::nullopt},
        {"shift alone does not count", {0, shift, "a"}, std::nullopt},
        {"other flags do not count", {0, (1ull << 16) | (1ull << 23), "a"}, std::nullopt},
        {"command shift A", {0, command | shift, "a"}, KeyCombo{0, 0x300, "A"}},
        {"all four with left arrow", {123, control | option | shift | command, ""}, KeyCombo{123, 0x1B00, "←"}},
        {"control return", {36, control, "\r"}, KeyCombo{36, 0x1000, "↩"}},
        {"option tab", {48, option, "\t"}, KeyCombo{48, 0x800, "⇥"}},
        {"right arrow", {124, control, ""}, KeyCombo{124, 0x1000, "→"}},
        {"no characters", {105, control, ""}, KeyCombo{105, 0x1000, "?"}},
        {"non-ASCII upper-cased", {41, option, "ö"}, KeyCombo{41, 0x800, "Ö"}},
        {"sharp s upper-cases to two letters", {27, option, "ß"}, KeyCombo{27, 0x800, "SS"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(KeyCombo::fromEvent(c.event), c.expected);
    }
}

}  // namespace
}  // namespace vesperine
