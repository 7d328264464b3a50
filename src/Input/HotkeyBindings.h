#pragma once

#include <map>
#include <optional>

#include "Input/HotkeyAction.h"
#include "Input/KeyCombo.h"
#include "Support/Json.h"

namespace vesperine {

// The shortcut of each bound action. An action without an entry has no shortcut.
using HotkeyBindings = std::map<HotkeyAction, KeyCombo>;

// Another action bound to the same keys as `action` (the first in declaration order), or
// none. Such a pair is not refused: registration decides, and the settings point it out.
std::optional<HotkeyAction> sharedWith(const HotkeyBindings& bindings, HotkeyAction action);

// Stored as one JSON array that alternates keys and values: the stored text of an action,
// then the object of its combination, for each binding:
//     ["toggleBright", {"keyCode": 11, "modifiers": 6144, "key": "B"}, "stepUp", {...}]
// Pairs may come in any order. Decoding fails as a whole on an odd number of elements, an
// unknown action or a combination that does not decode; of an action given twice the later
// pair counts.
template <>
struct JsonCodec<HotkeyBindings> {
    static Json encode(const HotkeyBindings& bindings);
    static Result<HotkeyBindings> decode(const Json& json);
};

}  // namespace vesperine
