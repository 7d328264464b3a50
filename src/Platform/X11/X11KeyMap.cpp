#include "Platform/X11/X11KeyMap.h"

#include <cstdio>
#include <iterator>

#include "Input/KeyCombo.h"
#include "Input/KeySymbols.h"

namespace vesperine {

namespace {

// The core numbers key symbols as X11 does: these are the same numbers.
namespace K = KeySymbols;
static_assert(K::backSpace == XK_BackSpace && K::tab == XK_Tab && K::returnKey == XK_Return &&
              K::escape == XK_Escape && K::home == XK_Home && K::left == XK_Left &&
              K::up == XK_Up && K::right == XK_Right && K::down == XK_Down &&
              K::pageUp == XK_Prior && K::pageDown == XK_Next && K::end == XK_End &&
              K::insert == XK_Insert && K::deleteKey == XK_Delete &&
              K::leftTab == XK_ISO_Left_Tab);
static_assert(K::keypadEnter == XK_KP_Enter && K::keypadHome == XK_KP_Home &&
              K::keypadLeft == XK_KP_Left && K::keypadUp == XK_KP_Up &&
              K::keypadRight == XK_KP_Right && K::keypadDown == XK_KP_Down &&
              K::keypadPageUp == XK_KP_Prior && K::keypadPageDown == XK_KP_Next &&
              K::keypadEnd == XK_KP_End && K::keypadBegin == XK_KP_Begin &&
              K::keypadInsert == XK_KP_Insert && K::keypadDelete == XK_KP_Delete &&
              K::keypadMultiply == XK_KP_Multiply && K::keypadAdd == XK_KP_Add &&
              K::keypadSubtract == XK_KP_Subtract && K::keypadDecimal == XK_KP_Decimal &&
              K::keypadDivide == XK_KP_Divide && K::keypad0 == XK_KP_0 &&
              K::keypadEqual == XK_KP_Equal && K::f1 == XK_F1 && K::f1 + 19 == XK_F20);

}  // namespace

namespace X11KeyMap {

Result<unsigned int> modifierMaskFor(std::uint32_t storedModifiers) {
    struct Bit {
        std::uint32_t stored;
        unsigned int x11;
    };
    constexpr Bit bits[] = {{KeyCombo::controlMask, ControlMask},
                            {KeyCombo::optionMask, Mod1Mask},
                            {KeyCombo::commandMask, Mod4Mask},
                            {KeyCombo::shiftMask, ShiftMask}};
    unsigned int mask = 0;
    std::uint32_t rest = storedModifiers;
    for (const auto& bit : bits) {
        if (storedModifiers & bit.stored) mask |= bit.x11;
        rest &= ~bit.stored;
    }
    if (rest != 0) {
        char text[96];
        std::snprintf(text, sizeof text, "Modifier bits 0x%X have no X11 counterpart", rest);
        return Error{text};
    }
    return mask;
}

}  // namespace X11KeyMap
}  // namespace vesperine
