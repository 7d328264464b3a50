#include "Input/Views/RecordedKey.h"

#include <cstdint>

#include "Input/KeyCombo.h"
#include "Input/ShortcutText.h"
// Last: Xlib's macros must not meet Qt's headers.
#include "Platform/X11/X11KeyMap.h"

namespace vesperine {

namespace {

// Qt gives a shifted symbol for shift plus a key ("!" for Shift+1); the stored code names the
// key, so the symbol goes back to what the same key types unshifted on a US keyboard.
char unshifted(char symbol) {
    constexpr const char* shifted = "!@#$%^&*()_+{}|:\"<>?~";
    constexpr const char* plain = "1234567890-=[]\\;',./`";
    for (int i = 0; shifted[i] != '\0'; ++i) {
        if (shifted[i] == symbol) return plain[i];
    }
    return symbol;
}

// The keysym of a Qt key: Latin-1 keys share their numbers (upper case), the rest by table.
std::optional<KeySym> keysymFor(int key, bool keypad) {
    if (keypad) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) return XK_KP_0 + (key - Qt::Key_0);
        switch (key) {
            case Qt::Key_Plus: return XK_KP_Add;
            case Qt::Key_Minus: return XK_KP_Subtract;
            case Qt::Key_Asterisk: return XK_KP_Multiply;
            case Qt::Key_Slash: return XK_KP_Divide;
            case Qt::Key_Period:
            case Qt::Key_Comma: return XK_KP_Decimal;
            case Qt::Key_Equal: return XK_KP_Equal;
            case Qt::Key_Enter: return XK_KP_Enter;
            default: break;
        }
    }
    if (key >= 0x20 && key <= 0x7e) return static_cast<KeySym>(unshifted(static_cast<char>(key)));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F20) return XK_F1 + (key - Qt::Key_F1);
    struct Entry {
        int key;
        KeySym keysym;
    };
    static constexpr Entry table[] = {
        {Qt::Key_Escape, XK_Escape},       {Qt::Key_Tab, XK_Tab},
        {Qt::Key_Backtab, XK_ISO_Left_Tab}, {Qt::Key_Backspace, XK_BackSpace},
        {Qt::Key_Return, XK_Return},       {Qt::Key_Enter, XK_KP_Enter},
        {Qt::Key_Insert, XK_Insert},       {Qt::Key_Delete, XK_Delete},
        {Qt::Key_Home, XK_Home},           {Qt::Key_End, XK_End},
        {Qt::Key_PageUp, XK_Prior},        {Qt::Key_PageDown, XK_Next},
        {Qt::Key_Left, XK_Left},           {Qt::Key_Right, XK_Right},
        {Qt::Key_Up, XK_Up},               {Qt::Key_Down, XK_Down},
        {Qt::Key_VolumeUp, 0x1008FF13},    {Qt::Key_VolumeDown, 0x1008FF11},
        {Qt::Key_VolumeMute, 0x1008FF12},
    };
    for (const auto& entry : table) {
        if (entry.key == key) return entry.keysym;
    }
    return std::nullopt;
}

}  // namespace

RecordedKey RecordedKey::from(const QKeyEvent& event) {
    return from(event.key(), event.modifiers());
}

RecordedKey RecordedKey::from(int qtKey, Qt::KeyboardModifiers modifiers) {
    RecordedKey recorded;
    switch (qtKey) {
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Shift:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
        case Qt::Key_Hyper_L:
        case Qt::Key_Hyper_R:
        case Qt::Key_CapsLock:
        case Qt::Key_NumLock:
            recorded.kind = Kind::modifierOnly;
            return recorded;
        default:
            break;
    }
    std::uint64_t flags = 0;
    if (modifiers & Qt::ShiftModifier) flags |= KeyEvent::shiftFlag;
    if (modifiers & Qt::ControlModifier) flags |= KeyEvent::controlFlag;
    if (modifiers & Qt::AltModifier) flags |= KeyEvent::optionFlag;
    if (modifiers & Qt::MetaModifier) flags |= KeyEvent::commandFlag;
    recorded.event.modifierFlags = flags;

    const auto keysym = keysymFor(qtKey, modifiers & Qt::KeypadModifier);
    const auto code = keysym ? X11KeyMap::storedKeyCodeFor(*keysym) : std::nullopt;
    if (!code) return recorded;  // unknown
    recorded.kind = Kind::key;
    recorded.event.keyCode = *code;
    // What the key types unmodified: its character, else its name ("F5", "Page Up").
    const std::string name = shortcutText(KeyCombo{*code, 0, ""});
    if (!name.empty()) {
        recorded.event.characters = name;
    } else if (*keysym >= 0x20 && *keysym <= 0x7e) {
        recorded.event.characters = std::string(1, static_cast<char>(*keysym));
        if (recorded.event.characters[0] >= 'A' && recorded.event.characters[0] <= 'Z')
            recorded.event.characters[0] = static_cast<char>(recorded.event.characters[0] + 32);
    } else if (*keysym >= XK_KP_0 && *keysym <= XK_KP_9) {
        recorded.event.characters = std::string(1, static_cast<char>('0' + (*keysym - XK_KP_0)));
    }
    return recorded;
}

}  // namespace vesperine
