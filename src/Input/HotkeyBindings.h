#pragma once

#include <map>
#include <optional>
#include <set>

#include "Input/HotkeyAction.h"
#include "Input/KeyCombo.h"
#include "Support/Json.h"

namespace vesperine {

// The shortcut of each bound action. An action without an entry has no shortcut.
using HotkeyBindings = std::map<HotkeyAction, KeyCombo>;

// Another action bound to the same keys as `action` (the first in declaration order), or
// none. Such a pair is not refused: registration decides, and the settings point it out.
std::optional<HotkeyAction> sharedWith(const HotkeyBindings& bindings, HotkeyAction action);

// Who holds the keys of `action`, whose registration was refused: another action of ours on
// the same keys whose registration was not (`refused` are the actions refused, `action`
// among them), or none, when another program holds them.
std::optional<HotkeyAction> heldBy(const HotkeyBindings& bindings,
                                   const std::set<HotkeyAction>& refused, HotkeyAction action);

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
