#include "Input/HotkeyAction.h"

#include <iterator>

namespace vesperine {

namespace {
constexpr const char* rawValues[] = {"toggleBright", "stepUp",    "stepDown",
                                     "toggleWarm",   "toggleRed", "offOrResume"};
constexpr const char* labels[] = {"Bright on/off", "Boost or warmth up", "Boost or warmth down",
                                  "Warm on/off",   "Red on/off",         "Off / resume schedule"};
static_assert(std::size(rawValues) == std::size(allHotkeyActions));
static_assert(std::size(labels) == std::size(allHotkeyActions));
}  // namespace

std::optional<HotkeyAction> hotkeyActionAt(std::uint32_t index) {
    if (index >= std::size(allHotkeyActions)) return std::nullopt;
    return allHotkeyActions[index];
}

const char* rawValue(HotkeyAction action) { return rawValues[index(action)]; }

std::optional<HotkeyAction> hotkeyActionFromRawValue(std::string_view raw) {
    for (auto action : allHotkeyActions) {
        if (raw == rawValue(action)) return action;
    }
    return std::nullopt;
}

const char* label(HotkeyAction action) { return labels[index(action)]; }

}  // namespace vesperine
