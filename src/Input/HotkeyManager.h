#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include "Input/HotkeyAction.h"
#include "Input/HotkeyBindings.h"
#include "Input/KeyCombo.h"
#include "Platform/DefaultsStore.h"
#include "Platform/HotkeyService.h"
#include "Platform/Logger.h"
#include "Support/Alive.h"
#include "Support/Observable.h"

namespace vesperine {

// Keeps the user's shortcuts for the six hot-key actions, registers them with the platform's
// hot-key service, notes which registrations were refused, and reports each press as an
// action through `onAction`. Main loop only. The defaults store, the service and the logger
// are borrowed and must outlive the manager.
class HotkeyManager {
public:
    // The signature every registration carries ('SOLV' as a big-endian four-character code);
    // the id is the action's index.
    static constexpr std::uint32_t signature = 0x534F4C56;
    // Where the bindings are kept in the defaults store.
    static constexpr const char* defaultsKey = "hotkeys";

    // Reads the stored bindings: used unchanged when present and decodable (actions missing
    // from them have no shortcut), else the defaults. Registers nothing yet.
    HotkeyManager(DefaultsStore& defaults, HotkeyService& service, Logger& logger);
    HotkeyManager(const HotkeyManager&) = delete;
    HotkeyManager& operator=(const HotkeyManager&) = delete;

    const Observable<HotkeyBindings>& bindings() const { return bindings_; }
    // Stores and saves the bindings; does not register them.
    void setBindings(HotkeyBindings bindings);
    // Takes in the stored bindings again (a hand edit of the defaults), without writing them,
    // and registers them afresh once started.
    void reloadStored();
    // Actions whose last registration was refused ("In use by another app").
    const Observable<std::set<HotkeyAction>>& conflicts() const { return conflicts_; }

    // Called with the action of each press. Set by the owner before start().
    std::function<void(HotkeyAction)> onAction;

    // Installs the press handler, then registers every binding. Called once at start-up.
    void start();
    // Registers every bound action afresh, in declaration order, and replaces `conflicts`
    // with the actions the service refused.
    void registerAll();
    // Gives every registration back. `conflicts` is left as it is.
    void unregisterAll();
    // Around recording a shortcut, so that pressing an existing one does not fire it.
    void suspend() { unregisterAll(); }
    void resume() { registerAll(); }

    // With a combination: binds it to `action`; with none: removes the action's shortcut.
    // Saves, then registers everything afresh.
    void set(std::optional<KeyCombo> combo, HotkeyAction action);
    // Back to the six default shortcuts (saved), then registers everything afresh.
    void restoreDefaults();

    // A press of the registration with this id: calls `onAction` with the action of that
    // index; ids past the last action are ignored.
    void fire(std::uint32_t id);

    // True while the action holds a registration with the service.
    bool isRegistered(HotkeyAction action) const { return refs_.count(action) > 0; }

private:
    void save();

    DefaultsStore& defaults_;
    HotkeyService& service_;
    Log log_;
    Observable<HotkeyBindings> bindings_;
    Observable<std::set<HotkeyAction>> conflicts_;
    std::map<HotkeyAction, Handle> refs_;
    Handle handler_;
    bool started_ = false;
    Alive alive_;
};

}  // namespace vesperine
