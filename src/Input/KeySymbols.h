#pragma once

#include <cstdint>
#include <optional>

namespace vesperine {

// Keys by the symbol they type, numbered as the X Window System and XKB number them: a
// Latin-1 key's symbol is its character ('a', '1', '['), the others sit at 0xFFxx. A stored
// key code names a key by its place on a US keyboard (11 is B, 126 is ↑); the shortcut
// recorder finds it from the symbol a key press types, and the hot-key backends find the
// physical key of this keyboard from the symbol of a stored code.
namespace KeySymbols {

using Symbol = std::uint32_t;

inline constexpr Symbol backSpace = 0xff08, tab = 0xff09, returnKey = 0xff0d, escape = 0xff1b,
                        home = 0xff50, left = 0xff51, up = 0xff52, right = 0xff53, down = 0xff54,
                        pageUp = 0xff55, pageDown = 0xff56, end = 0xff57, insert = 0xff63,
                        deleteKey = 0xffff, leftTab = 0xfe20;
inline constexpr Symbol keypadEnter = 0xff8d, keypadHome = 0xff95, keypadLeft = 0xff96,
                        keypadUp = 0xff97, keypadRight = 0xff98, keypadDown = 0xff99,
                        keypadPageUp = 0xff9a, keypadPageDown = 0xff9b, keypadEnd = 0xff9c,
                        keypadBegin = 0xff9d, keypadInsert = 0xff9e, keypadDelete = 0xff9f,
                        keypadMultiply = 0xffaa, keypadAdd = 0xffab, keypadSubtract = 0xffad,
                        keypadDecimal = 0xffae, keypadDivide = 0xffaf, keypad0 = 0xffb0,
                        keypadEqual = 0xffbd;
inline constexpr Symbol f1 = 0xffbe;  // F2 … F20 follow it
inline constexpr Symbol volumeDown = 0x1008ff11, volumeMute = 0x1008ff12,
                        volumeUp = 0x1008ff13;

// The symbol a stored key code's key types without modifiers, or none for a code with no
// symbol here (modifier keys, keys only some keyboards have).
std::optional<Symbol> forStoredKeyCode(std::uint32_t storedKeyCode);

// The other way, for recording: the stored key code of a symbol. Accepts the shifted and
// keypad variants too ('B' and 'b', keypad End and keypad 1).
std::optional<std::uint32_t> storedKeyCodeFor(Symbol symbol);

}  // namespace KeySymbols
}  // namespace vesperine
