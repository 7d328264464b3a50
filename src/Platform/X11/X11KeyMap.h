#pragma once

#include "Platform/X11/XlibIncludes.h"

#include <cstdint>
#include <optional>

#include "Support/Result.h"

namespace vesperine {

// Between the stored form of a shortcut and X11's. The stored key code names a key by its
// place on a US keyboard (11 is B, 126 is ↑); X11 grabs physical key codes, which depend on
// the keyboard, so the stored code goes through the keysym that key types without modifiers
// and then through the keyboard's own map (XKeysymToKeycode).
namespace X11KeyMap {

// The keysym of a stored key code, or none for a code with no X11 counterpart here
// (modifier keys, keys only some keyboards have).
std::optional<KeySym> keysymFor(std::uint32_t storedKeyCode);

// The other way, for recording: the stored key code of a keysym. Accepts the shifted and
// keypad variants too (XK_B and XK_b, XK_KP_End and XK_KP_1).
std::optional<std::uint32_t> storedKeyCodeFor(KeySym keysym);

// X11 modifier bits for a stored mask: control → ControlMask, option → Mod1Mask (Alt),
// command → Mod4Mask (Super), shift → ShiftMask. Fails when the mask has any other bit,
// since a grab that ignored it would fire on a combination the user never chose.
Result<unsigned int> modifierMaskFor(std::uint32_t storedModifiers);

}  // namespace X11KeyMap
}  // namespace vesperine
