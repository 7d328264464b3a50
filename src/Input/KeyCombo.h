#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "Input/HotkeyAction.h"
#include "Input/KeyEvent.h"
#include "Support/Json.h"

namespace vesperine {

// A key with its modifiers, as bound to a hot-key action and stored. `keyCode` and
// `modifiers` are the portable identity of the shortcut: the hardware virtual key code and
// the modifier mask below, kept exactly as stored (a backend maps them to its own key codes
// and modifier bits). `key` is only how the key itself is shown. Compared field by field.
struct KeyCombo {
    static constexpr std::uint32_t commandMask = 0x100;
    static constexpr std::uint32_t shiftMask = 0x200;
    static constexpr std::uint32_t optionMask = 0x800;
    static constexpr std::uint32_t controlMask = 0x1000;

    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;
    std::string key;

    bool operator==(const KeyCombo&) const = default;

    // How a combination is written for a person, on screen and in the log alike, is
    // shortcutText (Input/ShortcutText.h): "Ctrl+Alt+B".

    // The combination a recorded key-down makes, or none when neither control, option nor
    // command is held (shift alone does not make a shortcut).
    static std::optional<KeyCombo> fromEvent(const KeyEvent& event);
    // How a recorded key is shown: arrows, return, tab and space by name or symbol, any
    // other key by its unmodified characters upper-cased ("?" when it has none).
    static std::string keyLabel(std::uint32_t keyCode, std::string_view characters);

    // The six shortcuts a first start has: control + option with B, ↑, ↓, W, R and 0.
    static std::map<HotkeyAction, KeyCombo> defaults();
};

// {"keyCode": 11, "modifiers": 6144, "key": "B"}. Both numbers must be integers that fit in
// 32 unsigned bits.
template <>
struct JsonCodec<KeyCombo> {
    static Json encode(const KeyCombo& combo);
    static Result<KeyCombo> decode(const Json& json);
};

}  // namespace vesperine
