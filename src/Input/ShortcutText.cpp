#include "Input/ShortcutText.h"

#include <cstdint>

namespace vesperine {

namespace {

// Names of the keys that type no character, by stored key code (the US layout's places).
const char* keyName(std::uint32_t keyCode) {
    struct Name {
        std::uint32_t keyCode;
        const char* name;
    };
    static constexpr Name names[] = {
        {36, "Return"},     {48, "Tab"},        {49, "Space"},       {51, "Backspace"},
        {53, "Esc"},        {76, "Enter"},      {114, "Insert"},     {115, "Home"},
        {116, "Page Up"},   {117, "Delete"},    {119, "End"},        {121, "Page Down"},
        {123, "Left"},      {124, "Right"},     {125, "Down"},       {126, "Up"},
        {122, "F1"},        {120, "F2"},        {99, "F3"},          {118, "F4"},
        {96, "F5"},         {97, "F6"},         {98, "F7"},          {100, "F8"},
        {101, "F9"},        {109, "F10"},       {103, "F11"},        {111, "F12"},
        {105, "F13"},       {107, "F14"},       {113, "F15"},        {106, "F16"},
        {64, "F17"},        {79, "F18"},        {80, "F19"},         {90, "F20"},
        {72, "Volume Up"},  {73, "Volume Down"}, {74, "Mute"},
    };
    for (const auto& entry : names) {
        if (entry.keyCode == keyCode) return entry.name;
    }
    return nullptr;
}

}  // namespace

std::string shortcutText(const KeyCombo& combo) {
    std::string text;
    if (combo.modifiers & KeyCombo::controlMask) text += "Ctrl+";
    if (combo.modifiers & KeyCombo::optionMask) text += "Alt+";
    if (combo.modifiers & KeyCombo::shiftMask) text += "Shift+";
    if (combo.modifiers & KeyCombo::commandMask) text += "Super+";
    const char* name = keyName(combo.keyCode);
    return text + (name ? std::string(name) : combo.key);
}

}  // namespace vesperine
