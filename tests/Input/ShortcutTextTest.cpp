#include "Input/ShortcutText.h"
#include "Input/ShortcutTrigger.h"

#include <gtest/gtest.h>

namespace vesperine {
namespace {

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
        {{0xFFFF, 0x800, "É"}, std::nullopt},  // no keysym known for the code
        {{11, 0x1800 | 0x10000, "B"}, std::nullopt},  // a modifier we never store
    };
    for (const auto& [combo, trigger] : cases) EXPECT_EQ(shortcutTrigger(combo), trigger);
}

}  // namespace
}  // namespace vesperine
