#pragma once

#include "Platform/X11/XlibIncludes.h"

#include <cstdint>

#include "Support/Result.h"

namespace vesperine {

// Between the stored form of a shortcut and X11's. X11 grabs physical key codes, which depend
// on the keyboard: a stored key code goes through the symbol its key types without modifiers
// (KeySymbols, whose numbers are X11's keysyms) and then through the keyboard's own map
// (XKeysymToKeycode); the modifiers map bit by bit.
namespace X11KeyMap {

// X11 modifier bits for a stored mask: control → ControlMask, option → Mod1Mask (Alt),
// command → Mod4Mask (Super), shift → ShiftMask. Fails when the mask has any other bit,
// since a grab that ignored it would fire on a combination the user never chose.
Result<unsigned int> modifierMaskFor(std::uint32_t storedModifiers);

}  // namespace X11KeyMap
}  // namespace vesperine
