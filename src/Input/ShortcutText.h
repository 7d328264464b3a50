#pragma once

#include <string>

#include "Input/KeyCombo.h"

namespace vesperine {

// How a shortcut is written on Linux desktops: the modifiers by name in the order Ctrl, Alt,
// Shift, Super, then the key, joined by "+" ("Ctrl+Alt+B", "Ctrl+Alt+Up"). Keys that type
// nothing are named by their stored key code ("F5", "Page Up", "Return"), so a combination
// recorded on another keyboard still reads well; any other key shows as stored.
std::string shortcutText(const KeyCombo& combo);

}  // namespace vesperine
