#pragma once

#include <cstdint>
#include <string>

namespace vesperine {

// A key-down event seen while a shortcut is being recorded, in the terms of the stored key
// codes: `keyCode` is the hardware virtual key code the bindings store (11 is B, 126 is ↑),
// `modifierFlags` the held modifiers as the bits below, and `characters` what the key types
// with no modifier applied (may be empty, e.g. for function keys). Whoever records turns the
// toolkit's event into this form.
struct KeyEvent {
    static constexpr std::uint64_t shiftFlag = 1ull << 17;
    static constexpr std::uint64_t controlFlag = 1ull << 18;
    static constexpr std::uint64_t optionFlag = 1ull << 19;
    static constexpr std::uint64_t commandFlag = 1ull << 20;

    // The key code of Esc, which ends a recording without a change.
    static constexpr std::uint32_t escapeKeyCode = 53;

    std::uint32_t keyCode = 0;
    std::uint64_t modifierFlags = 0;
    std::string characters;
};

}  // namespace vesperine
