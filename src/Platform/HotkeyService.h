#pragma once

#include <cstdint>
#include <functional>

#include "Input/KeyCombo.h"
#include "Support/Handle.h"
#include "Support/Result.h"

namespace vesperine {

// Names a registration: a four-character signature of the registering program and an id
// of its choosing. Presses report it back.
struct HotkeyID {
    std::uint32_t signature = 0;
    std::uint32_t id = 0;
    bool operator==(const HotkeyID&) const = default;
};

// System-wide hot keys: combinations that reach this program whatever application is in
// front. Registrations and the press handler are held by the returned handles; cancelling or
// destroying a handle unregisters (the service must outlive them). Everything, presses
// included, happens on the main loop; no callback is made from inside a call to the service.
class HotkeyService {
public:
    virtual ~HotkeyService() = default;

    // Sets the one receiver of presses, replacing an earlier one. A press of a registered
    // combination calls `onPress` with the id it was registered under, once per press (a
    // held key does not repeat).
    [[nodiscard]] virtual Result<Handle> installPressHandler(
        std::function<void(HotkeyID)> onPress) = 0;

    // Registers `combo` (its stored key code and modifier mask) under `id`. Fails, with a
    // readable reason, when the combination cannot be had: another program holds it, it is
    // already registered through this service, or the key or a modifier does not exist here.
    [[nodiscard]] virtual Result<Handle> registerHotkey(const KeyCombo& combo, HotkeyID id) = 0;
};

}  // namespace vesperine
