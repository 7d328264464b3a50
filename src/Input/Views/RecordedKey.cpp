#include "Input/Views/RecordedKey.h"

#include <cstdint>

#include "Input/KeyCombo.h"
#include "Input/KeySymbols.h"
#include "Input/ShortcutText.h"

namespace vesperine {

namespace {

namespace K = KeySymbols;

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

// The symbol of a Qt key: Latin-1 keys share their numbers (upper case), the rest by table.
std::optional<K::Symbol> symbolFor(int key, bool keypad) {
    if (keypad) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) return K::keypad0 + (key - Qt::Key_0);
        switch (key) {
            case Qt::Key_Plus: return K::keypadAdd;
            case Qt::Key_Minus: return K::keypadSubtract;
            case Qt::Key_Asterisk: return K::keypadMultiply;
            case Qt::Key_Slash: return K::keypadDivide;
            case Qt::Key_Period:
            case Qt::Key_Comma: return K::keypadDecimal;
            case Qt::Key_Equal: return K::keypadEqual;
            case Qt::Key_Enter: return K::keypadEnter;
            default: break;
        }
    }
    if (key >= 0x20 && key <= 0x7e) return static_cast<K::Symbol>(unshifted(static_cast<char>(key)));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F20) return K::f1 + (key - Qt::Key_F1);
    struct Entry {
        int key;
        K::Symbol symbol;
    };
    static constexpr Entry table[] = {
        {Qt::Key_Escape, K::escape},       {Qt::Key_Tab, K::tab},
        {Qt::Key_Backtab, K::leftTab},     {Qt::Key_Backspace, K::backSpace},
        {Qt::Key_Return, K::returnKey},    {Qt::Key_Enter, K::keypadEnter},
        {Qt::Key_Insert, K::insert},       {Qt::Key_Delete, K::deleteKey},
        {Qt::Key_Home, K::home},           {Qt::Key_End, K::end},
        {Qt::Key_PageUp, K::pageUp},       {Qt::Key_PageDown, K::pageDown},
        {Qt::Key_Left, K::left},           {Qt::Key_Right, K::right},
        {Qt::Key_Up, K::up},               {Qt::Key_Down, K::down},
        {Qt::Key_VolumeUp, K::volumeUp},   {Qt::Key_VolumeDown, K::volumeDown},
        {Qt::Key_VolumeMute, K::volumeMute},
    };
    for (const auto& entry : table) {
        if (entry.key == key) return entry.symbol;
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

    const auto symbol = symbolFor(qtKey, modifiers & Qt::KeypadModifier);
    const auto code = symbol ? K::storedKeyCodeFor(*symbol) : std::nullopt;
    if (!code) return recorded;  // unknown
    recorded.kind = Kind::key;
    recorded.event.keyCode = *code;
    // What the key types unmodified: its character, else its name ("F5", "Page Up").
    const std::string name = shortcutText(KeyCombo{*code, 0, ""});
    if (!name.empty()) {
        recorded.event.characters = name;
    } else if (*symbol >= 0x20 && *symbol <= 0x7e) {
        recorded.event.characters = std::string(1, static_cast<char>(*symbol));
        if (recorded.event.characters[0] >= 'A' && recorded.event.characters[0] <= 'Z')
            recorded.event.characters[0] = static_cast<char>(recorded.event.characters[0] + 32);
    } else if (*symbol >= K::keypad0 && *symbol <= K::keypad0 + 9) {
        recorded.event.characters = std::string(1, static_cast<char>('0' + (*symbol - K::keypad0)));
    }
    return recorded;
}

}  // namespace vesperine
