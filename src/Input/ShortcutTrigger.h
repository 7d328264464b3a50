#pragma once

#include <optional>
#include <string>

#include "Input/KeyCombo.h"

namespace vesperine {

// A shortcut as a trigger for the desktop's global-shortcuts portal: the modifiers CTRL, ALT,
// SHIFT and LOGO, then the key by its XKB keysym name (what the key types unmodified on a US
// keyboard: "b", "Up", "bracketleft", "KP_1"), joined by "+" ("CTRL+ALT+b"). None for a
// stored key code with no such name, or a modifier bit this program never stores.
std::optional<std::string> shortcutTrigger(const KeyCombo& combo);

}  // namespace vesperine
