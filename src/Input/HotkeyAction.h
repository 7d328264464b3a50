#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vesperine {

// What a global hot key asks the app state to do. The declaration order is fixed: an action's
// index is the id it is registered under with the hot-key service.
enum class HotkeyAction { toggleBright, stepUp, stepDown, toggleWarm, toggleRed, offOrResume };

inline constexpr HotkeyAction allHotkeyActions[] = {
    HotkeyAction::toggleBright, HotkeyAction::stepUp,    HotkeyAction::stepDown,
    HotkeyAction::toggleWarm,   HotkeyAction::toggleRed, HotkeyAction::offOrResume};

// 0 to 5, the position in the declaration.
constexpr std::uint32_t index(HotkeyAction action) { return static_cast<std::uint32_t>(action); }
// The action at `index`, or none for an index past the last action.
std::optional<HotkeyAction> hotkeyActionAt(std::uint32_t index);

// The stored text: the case name ("toggleBright", ...).
const char* rawValue(HotkeyAction action);
std::optional<HotkeyAction> hotkeyActionFromRawValue(std::string_view raw);

// What the Shortcuts tab calls the action ("Bright on/off", ...).
const char* label(HotkeyAction action);

}  // namespace vesperine
