#include "Input/KeyCombo.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace vesperine {

namespace {

// Upper-cases with the full Unicode mapping and no locale rules, so "ß" shows as "SS" on
// every machine, whatever language the user runs.
std::string upperCased(std::string_view text) {
    auto unicode = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), text.size()));
    unicode.toUpper(icu::Locale::getRoot());
    std::string out;
    unicode.toUTF8String(out);
    return out;
}

Result<std::uint32_t> unsigned32(const Json& object, const char* name) {
    auto value = json::integer(object, name);
    if (!value) return value.error();
    if (*value < 0 || *value > 0xFFFFFFFFll) {
        return Error{std::string("Expected an unsigned 32-bit integer for \"") + name + "\"."};
    }
    return static_cast<std::uint32_t>(*value);
}

}  // namespace

std::string KeyCombo::keyLabel(std::uint32_t keyCode, std::string_view characters) {
    switch (keyCode) {
        case 36: return "↩";
        case 48: return "⇥";
        case 49: return "Space";
        case 123: return "←";
        case 124: return "→";
        case 125: return "↓";
        case 126: return "↑";
        default: break;
    }
    if (characters.empty()) return "?";
    return upperCased(characters);
}

std::optional<KeyCombo> KeyCombo::fromEvent(const KeyEvent& event) {
    const auto flags = event.modifierFlags;
    if (!(flags & (KeyEvent::controlFlag | KeyEvent::optionFlag | KeyEvent::commandFlag))) {
        return std::nullopt;
    }
    std::uint32_t modifiers = 0;
    if (flags & KeyEvent::controlFlag) modifiers += controlMask;
    if (flags & KeyEvent::optionFlag) modifiers += optionMask;
    if (flags & KeyEvent::shiftFlag) modifiers += shiftMask;
    if (flags & KeyEvent::commandFlag) modifiers += commandMask;
    return KeyCombo{event.keyCode, modifiers, keyLabel(event.keyCode, event.characters)};
}

std::map<HotkeyAction, KeyCombo> KeyCombo::defaults() {
    constexpr std::uint32_t controlOption = controlMask | optionMask;
    return {
        {HotkeyAction::toggleBright, {11, controlOption, "B"}},
        {HotkeyAction::stepUp, {126, controlOption, "↑"}},
        {HotkeyAction::stepDown, {125, controlOption, "↓"}},
        {HotkeyAction::toggleWarm, {13, controlOption, "W"}},
        {HotkeyAction::toggleRed, {15, controlOption, "R"}},
        {HotkeyAction::offOrResume, {29, controlOption, "0"}},
    };
}

Json JsonCodec<KeyCombo>::encode(const KeyCombo& combo) {
    return Json{{"keyCode", combo.keyCode}, {"modifiers", combo.modifiers}, {"key", combo.key}};
}

Result<KeyCombo> JsonCodec<KeyCombo>::decode(const Json& json) {
    auto keyCode = unsigned32(json, "keyCode");
    if (!keyCode) return keyCode.error();
    auto modifiers = unsigned32(json, "modifiers");
    if (!modifiers) return modifiers.error();
    auto key = json::string(json, "key");
    if (!key) return key.error();
    return KeyCombo{*keyCode, *modifiers, std::move(key).value()};
}

}  // namespace vesperine
