#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "Platform/HotkeyService.h"
#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/LogOnce.h"
#include "Support/CallbackList.h"

namespace vesperine {

// Global hot keys through the desktop portal's GlobalShortcuts interface, for Wayland desktops
// that let no program grab keys itself. The portal does not take a key from a program: the
// program asks for shortcuts with preferred triggers, and the desktop (often by asking the
// user) decides which it binds and to what. So:
//
// - Available where the portal answers with the interface's "version" property; until that
//   answer registrations are taken and asked for once it comes. Where it never comes (no
//   portal, an old one) `registerHotkey` fails: "This desktop offers no global shortcuts".
// - Registrations made in one turn of the loop are asked for together: one session, one
//   BindShortcuts (the portal allows one per session). A later registration whose trigger was
//   never asked for starts a new session with everything registered; one asked for before does
//   not, so registering the same set again (after recording a shortcut) asks the user nothing.
// - What the desktop did not bind (the user declined, or it kept another binding) is
//   `declined`; registering that combination again fails, with the reason, so the hot-key
//   manager lists it among the refused. Observers hear when the outcome of a request is known
//   (the owner then registers again to learn it).
// - A press is the Activated signal of our session for a shortcut still registered.
//
// Calls follow the portal's request pattern: a handle_token of ours, the Response signal on
// the request path watched before the call is made. Main loop only; the bus is borrowed.
class PortalHotkeys final : public HotkeyService {
  public:
    enum class State { probing, unavailable, idle, binding, bound };

    struct Names {
        std::string service = "org.freedesktop.portal.Desktop";
        std::string path = "/org/freedesktop/portal/desktop";
        std::string interface = "org.freedesktop.portal.GlobalShortcuts";
    };

    // `describe` names an id's action for the desktop's dialog ("Warm on/off"); `sessionBus`
    // may be null (then unavailable).
    PortalHotkeys(BusConnection* sessionBus, Scheduler& scheduler, Logger& logger,
                  std::function<std::string(HotkeyID)> describe);
    // Other call timeouts and names (tests).
    PortalHotkeys(BusConnection* sessionBus, Scheduler& scheduler, Logger& logger,
                  std::function<std::string(HotkeyID)> describe, Duration timeout, Names names);
    ~PortalHotkeys() override;

    Result<Handle> installPressHandler(std::function<void(HotkeyID)> onPress) override;
    Result<Handle> registerHotkey(const KeyCombo& combo, HotkeyID id) override;

    State state() const { return state_; }
    // The desktop's own words for the trigger it bound to `id` ("Ctrl+Alt+B"), once bound.
    std::optional<std::string> boundTrigger(HotkeyID id) const;
    // Calls `onChange` when the portal's answer changes what `registerHotkey` would say.
    [[nodiscard]] Handle observe(std::function<void()> onChange) { return observers_.add(std::move(onChange)); }

    // The shortcut id the portal knows an id by ("hotkey-3"): stable, so the desktop
    // remembers the user's choice from one run to the next.
    static std::string shortcutId(HotkeyID id);

  private:
    struct Registration {
        HotkeyID id;
        std::string trigger;
    };
    using Asked = std::set<std::pair<std::string, std::string>>;  // (shortcut id, trigger)

    void probe();
    void bindLater();
    void bind();
    // Calls `method` with a fresh handle_token appended by `write`, and hands the Response's
    // code and results (positioned at the a{sv}) to `onResponse`.
    void request(const char* method, const std::function<int(sd_bus_message*, const std::string& token)>& write,
                 std::function<void(std::uint32_t code, sd_bus_message* results)> onResponse);
    void sessionCreated(std::uint32_t code, sd_bus_message* results, Asked asked);
    void bound(std::uint32_t code, sd_bus_message* results, const Asked& asked);
    void activated(sd_bus_message* signal);
    void closeSession();
    void settle(State state);
    void refused(const Asked& asked, const std::string& message);
    Asked wanted() const;

    BusConnection* bus_;
    Scheduler& scheduler_;
    LogOnce log_;
    std::function<std::string(HotkeyID)> describe_;
    Duration timeout_;
    Names names_;
    State state_ = State::probing;
    std::map<std::uint64_t, Registration> registrations_;
    std::uint64_t nextRegistration_ = 0;
    std::function<void(HotkeyID)> onPress_;
    std::uint64_t pressHandler_ = 0;
    Asked asked_;                                  // what the last BindShortcuts asked for
    std::map<std::string, std::string> bound_;     // shortcut id → the desktop's trigger text
    std::set<std::pair<std::string, std::string>> declined_;
    std::string session_;
    std::uint64_t nextToken_ = 0;
    bool bindQueued_ = false;
    bool rebind_ = false;  // asked for more while a request was under way
    CallbackList<> observers_;
    Handle probing_;
    Handle call_;
    Handle response_;
    Handle activatedWatch_;
    Handle ownerWatch_;
    Alive alive_;
};

}  // namespace vesperine
