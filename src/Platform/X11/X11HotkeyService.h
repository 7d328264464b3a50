#pragma once

#include "Platform/X11/XlibIncludes.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "Platform/HotkeyService.h"
#include "Platform/Logger.h"
#include "Platform/X11/X11Connection.h"

namespace vesperine {

// Hot keys as passive key grabs on the root window. Each registration grabs its key with its
// modifiers once for every combination of Caps Lock and Num Lock, so it fires whichever lock
// is on. A grab the server refuses (BadAccess: another client holds that combination) fails
// the registration and leaves no partial grab behind. Presses arrive as KeyPress events
// through the connection's listeners, so on the main loop. When the keyboard map changes,
// every registration is grabbed again on the keys that now type its keysym.
//
// The connection and the logger are borrowed and must outlive the service; registration
// handles may outlive the service (cancelling them then does nothing).
class X11HotkeyService final : public HotkeyService {
public:
    X11HotkeyService(X11Connection& connection, Logger& logger);
    ~X11HotkeyService() override;
    X11HotkeyService(const X11HotkeyService&) = delete;
    X11HotkeyService& operator=(const X11HotkeyService&) = delete;

    Result<Handle> installPressHandler(std::function<void(HotkeyID)> onPress) override;
    Result<Handle> registerHotkey(const KeyCombo& combo, HotkeyID id) override;

private:
    struct Grab {
        KeyCombo combo;
        HotkeyID id;
        KeySym keysym = NoSymbol;
        unsigned int modifiers = 0;  // X11 bits, lock modifiers not included
        KeyCode keycode = 0;         // 0 while the keyboard has no key for the keysym
    };

    // The modifier bit Num Lock is on in the current modifier map (0 when none, or when it
    // shares a bit with a modifier a shortcut can use).
    unsigned int findNumLockMask() const;
    // Every lock-modifier combination to grab: none, Caps Lock, Num Lock, both.
    std::set<unsigned int> lockVariants() const;
    Status grabKey(KeyCode keycode, unsigned int modifiers);
    void ungrabKey(KeyCode keycode, unsigned int modifiers);
    void unregister(std::uint64_t serial);
    void onEvent(const XEvent& event);
    void keyboardMappingChanged(const XEvent& event);

    X11Connection& connection_;
    Display* display_;
    Log log_;
    unsigned int numLockMask_ = 0;
    std::map<std::uint64_t, Grab> grabs_;
    std::set<KeyCode> held_;  // grabbed keys pressed and not yet released
    std::function<void(HotkeyID)> onPress_;
    std::uint64_t handlerGeneration_ = 0;
    std::uint64_t nextSerial_ = 0;
    Handle listener_;
    std::shared_ptr<bool> token_ = std::make_shared<bool>(true);
};

}  // namespace vesperine
