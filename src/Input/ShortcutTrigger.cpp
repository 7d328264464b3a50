#include "Input/ShortcutTrigger.h"

#include <cstdint>

namespace vesperine {

namespace {

// Keysym names by stored key code (the key's place on a US keyboard).
const char* keysymName(std::uint32_t keyCode) {
    struct Name {
        std::uint32_t keyCode;
        const char* name;
    };
    static constexpr Name names[] = {
        {0, "a"}, {1, "s"}, {2, "d"}, {3, "f"}, {4, "h"}, {5, "g"}, {6, "z"}, {7, "x"},
        {8, "c"}, {9, "v"}, {11, "b"}, {12, "q"}, {13, "w"}, {14, "e"}, {15, "r"}, {16, "y"},
        {17, "t"}, {18, "1"}, {19, "2"}, {20, "3"}, {21, "4"}, {22, "6"}, {23, "5"},
        {24, "equal"}, {25, "9"}, {26, "7"}, {27, "minus"}, {28, "8"}, {29, "0"},
        {30, "bracketright"}, {31, "o"}, {32, "u"}, {33, "bracketleft"}, {34, "i"}, {35, "p"},
        {36, "Return"}, {37, "l"}, {38, "j"}, {39, "apostrophe"}, {40, "k"}, {41, "semicolon"},
        {42, "backslash"}, {43, "comma"}, {44, "slash"}, {45, "n"}, {46, "m"}, {47, "period"},
        {48, "Tab"}, {49, "space"}, {50, "grave"}, {51, "BackSpace"}, {53, "Escape"},
        {64, "F17"}, {65, "KP_Decimal"}, {67, "KP_Multiply"}, {69, "KP_Add"},
        {72, "XF86AudioRaiseVolume"}, {73, "XF86AudioLowerVolume"}, {74, "XF86AudioMute"},
        {75, "KP_Divide"}, {76, "KP_Enter"}, {78, "KP_Subtract"}, {79, "F18"}, {80, "F19"},
        {81, "KP_Equal"}, {82, "KP_0"}, {83, "KP_1"}, {84, "KP_2"}, {85, "KP_3"}, {86, "KP_4"},
        {87, "KP_5"}, {88, "KP_6"}, {89, "KP_7"}, {90, "F20"}, {91, "KP_8"}, {92, "KP_9"},
        {96, "F5"}, {97, "F6"}, {98, "F7"}, {99, "F3"}, {100, "F8"}, {101, "F9"}, {103, "F11"},
        {105, "F13"}, {106, "F16"}, {107, "F14"}, {109, "F10"}, {111, "F12"}, {113, "F15"},
        {114, "Insert"}, {115, "Home"}, {116, "Prior"}, {117, "Delete"}, {118, "F4"},
        {119, "End"}, {120, "F2"}, {121, "Next"}, {122, "F1"}, {123, "Left"}, {124, "Right"},
        {125, "Down"}, {126, "Up"},
    };
    for (const auto& entry : names) {
        if (entry.keyCode == keyCode) return entry.name;
    }
    return nullptr;
}

}  // namespace

std::optional<std::string> shortcutTrigger(const KeyCombo& combo) {
    constexpr std::uint32_t known = KeyCombo::controlMask | KeyCombo::optionMask |
                                    KeyCombo::shiftMask | KeyCombo::commandMask;
    const char* name = keysymName(combo.keyCode);
    if (!name || (combo.modifiers & ~known) != 0) return std::nullopt;
    std::string trigger;
    if (combo.modifiers & KeyCombo::controlMask) trigger += "CTRL+";
    if (combo.modifiers & KeyCombo::optionMask) trigger += "ALT+";
    if (combo.modifiers & KeyCombo::shiftMask) trigger += "SHIFT+";
    if (combo.modifiers & KeyCombo::commandMask) trigger += "LOGO+";
    return trigger + name;
}

}  // namespace vesperine
