#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "Platform/HotkeyService.h"

namespace vesperine {

// Hot keys for tests and the headless run. Registrations are kept in memory; tests press
// combinations and mark combinations as taken by another program. Like a real service it
// refuses a combination that is already registered through it.
class SimulatedHotkeys final : public HotkeyService {
public:
    SimulatedHotkeys() = default;
    SimulatedHotkeys(const SimulatedHotkeys&) = delete;
    SimulatedHotkeys& operator=(const SimulatedHotkeys&) = delete;

    Result<Handle> installPressHandler(std::function<void(HotkeyID)> onPress) override;
    Result<Handle> registerHotkey(const KeyCombo& combo, HotkeyID id) override;

    // Control side.
    struct Registration {
        KeyCombo combo;
        HotkeyID id;
    };
    // Presses `combo` (key code and modifiers; the label does not matter): the handler hears
    // the id it is registered under. Returns false when no registration matches (or no
    // handler is installed), as a press nobody grabbed.
    bool press(const KeyCombo& combo);
    // Delivers a press of any id, as a service reporting an id it was never given might.
    void pressId(HotkeyID id);
    // Another program holds `combo` (true) or lets it go (false).
    void setTakenElsewhere(const KeyCombo& combo, bool taken);
    // Makes installing the press handler fail.
    void setHandlerRefused(bool refused) { handlerRefused_ = refused; }

    std::vector<Registration> registrations() const;
    bool hasHandler() const { return static_cast<bool>(onPress_); }
    // Every registration ever attempted, refused ones included.
    std::size_t attempts() const { return attempts_; }

private:
    using ComboKey = std::pair<std::uint32_t, std::uint32_t>;  // key code, modifiers
    static ComboKey keyOf(const KeyCombo& combo) { return {combo.keyCode, combo.modifiers}; }

    std::map<std::uint64_t, Registration> registrations_;
    std::set<ComboKey> takenElsewhere_;
    std::function<void(HotkeyID)> onPress_;
    std::uint64_t handlerGeneration_ = 0;
    std::uint64_t next_ = 0;
    std::size_t attempts_ = 0;
    bool handlerRefused_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vesperine
