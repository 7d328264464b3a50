#include "Input/HotkeyBindings.h"

namespace vesperine {

std::optional<HotkeyAction> sharedWith(const HotkeyBindings& bindings, HotkeyAction action) {
    auto own = bindings.find(action);
    if (own == bindings.end()) return std::nullopt;
    for (const auto& [other, combo] : bindings) {
        if (other != action && combo.keyCode == own->second.keyCode &&
            combo.modifiers == own->second.modifiers) {
            return other;
        }
    }
    return std::nullopt;
}

std::optional<HotkeyAction> heldBy(const HotkeyBindings& bindings,
                                   const std::set<HotkeyAction>& refused, HotkeyAction action) {
    auto own = bindings.find(action);
    if (own == bindings.end()) return std::nullopt;
    for (const auto& [other, combo] : bindings) {
        if (other != action && !refused.count(other) && combo.keyCode == own->second.keyCode &&
            combo.modifiers == own->second.modifiers) {
            return other;
        }
    }
    return std::nullopt;
}

Json JsonCodec<HotkeyBindings>::encode(const HotkeyBindings& bindings) {
    Json array = Json::array();
    for (const auto& [action, combo] : bindings) {
        array.push_back(rawValue(action));
        array.push_back(JsonCodec<KeyCombo>::encode(combo));
    }
    return array;
}

Result<HotkeyBindings> JsonCodec<HotkeyBindings>::decode(const Json& json) {
    if (!json.is_array()) return Error{"Expected an array of alternating actions and shortcuts."};
    if (json.size() % 2 != 0) return Error{"Expected key/value pairs but found an odd number of elements."};
    HotkeyBindings bindings;
    for (std::size_t i = 0; i < json.size(); i += 2) {
        const Json& name = json[i];
        if (!name.is_string()) return Error{"Expected the text of an action as a key."};
        auto action = hotkeyActionFromRawValue(name.get_ref<const std::string&>());
        if (!action) {
            return Error{"Cannot initialize HotkeyAction from invalid String value " +
                         name.get<std::string>() + "."};
        }
        auto combo = JsonCodec<KeyCombo>::decode(json[i + 1]);
        if (!combo) return combo.error();
        bindings.insert_or_assign(*action, std::move(combo).value());
    }
    return bindings;
}

}  // namespace vesperine
