#include "Input/ShortcutText.h"

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

}  // namespace
}  // namespace vesperine
