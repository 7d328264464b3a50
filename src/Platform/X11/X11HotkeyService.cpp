#include "Platform/X11/X11HotkeyService.h"

#include <vector>

#include "Input/KeySymbols.h"
#include "Input/ShortcutText.h"
#include "Platform/X11/X11KeyMap.h"

namespace vesperine {

namespace {
// The modifiers a shortcut can hold; a lock that shares a bit with one of them cannot be
// ignored without changing what the shortcut means.
constexpr unsigned int shortcutModifiers = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;
// The eight modifier bits of an event's state; the higher bits are pointer buttons.
constexpr unsigned int allModifiers = 0xFF;
}  // namespace

X11HotkeyService::X11HotkeyService(X11Connection& connection, Logger& logger)
    : connection_(connection), display_(connection.display()), log_(logger, "hotkeys") {
    // Without this a held key arrives as release-press pairs and fires over and over; with
    // it the repeats are presses without releases, which the held set filters out.
    int supported = 0;
    XkbSetDetectableAutoRepeat(display_, 1, &supported);
    if (!supported) log_.info("The X server cannot report key repeats; a held hot key repeats");
    numLockMask_ = findNumLockMask();
    listener_ = connection_.addListener([this](const XEvent& event) { onEvent(event); });
}

X11HotkeyService::~X11HotkeyService() {
    *token_ = false;
    listener_.cancel();
    if (!connection_.isAlive()) return;
    X11ErrorTrap trap(display_);
    for (const auto& [_, grab] : grabs_) {
        if (grab.keycode == 0) continue;
        for (auto locks : lockVariants()) {
            XUngrabKey(display_, grab.keycode, grab.modifiers | locks, connection_.root());
        }
    }
}

unsigned int X11HotkeyService::findNumLockMask() const {
    const KeyCode numLock = XKeysymToKeycode(display_, XK_Num_Lock);
    if (numLock == 0) return 0;
    XModifierKeymap* map = XGetModifierMapping(display_);
    if (map == nullptr) return 0;
    unsigned int mask = 0;
    for (int modifier = 0; modifier < 8 && mask == 0; ++modifier) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            if (map->modifiermap[modifier * map->max_keypermod + k] == numLock) {
                mask = 1u << modifier;
                break;
            }
        }
    }
    XFreeModifiermap(map);
    if (mask & (shortcutModifiers | LockMask)) return 0;
    return mask;
}

std::set<unsigned int> X11HotkeyService::lockVariants() const {
    return {0u, static_cast<unsigned int>(LockMask), numLockMask_, LockMask | numLockMask_};
}

Status X11HotkeyService::grabKey(KeyCode keycode, unsigned int modifiers) {
    X11ErrorTrap trap(display_);
    for (auto locks : lockVariants()) {
        XGrabKey(display_, keycode, modifiers | locks, connection_.root(), 0, GrabModeAsync,
                 GrabModeAsync);
    }
    auto status = trap.check();
    if (status) return status;
    const bool takenElsewhere = trap.firstErrorCode() == BadAccess;
    // Some variants may have been granted before one was refused; give them back, so that
    // a failed registration holds nothing.
    ungrabKey(keycode, modifiers);
    if (takenElsewhere) return Status::failure("Another program holds this key combination");
    return status;
}

void X11HotkeyService::ungrabKey(KeyCode keycode, unsigned int modifiers) {
    X11ErrorTrap trap(display_);
    // Ungrabbing only ever releases this client's own grabs, never another program's.
    for (auto locks : lockVariants()) {
        XUngrabKey(display_, keycode, modifiers | locks, connection_.root());
    }
    (void)trap.check();
}

Result<Handle> X11HotkeyService::installPressHandler(std::function<void(HotkeyID)> onPress) {
    onPress_ = std::move(onPress);
    const auto generation = ++handlerGeneration_;
    std::weak_ptr<bool> token = token_;
    return Handle::make([this, token, generation] {
        if (!token.expired() && handlerGeneration_ == generation) onPress_ = nullptr;
    });
}

Result<Handle> X11HotkeyService::registerHotkey(const KeyCombo& combo, HotkeyID id) {
    if (!connection_.isAlive()) return Error{"The X server has gone away"};
    auto keysym = KeySymbols::forStoredKeyCode(combo.keyCode);
    if (!keysym) {
        return Error{"No X11 key is known for " + shortcutText(combo) + " (stored key code " +
                     std::to_string(combo.keyCode) + ")"};
    }
    auto modifiers = X11KeyMap::modifierMaskFor(combo.modifiers);
    if (!modifiers) return modifiers.error();
    const KeyCode keycode = XKeysymToKeycode(display_, *keysym);
    if (keycode == 0) {
        return Error{"This keyboard has no key for " +
                     shortcutText(KeyCombo{combo.keyCode, 0, combo.key})};
    }
    for (const auto& [_, grab] : grabs_) {
        if (grab.keycode == keycode && grab.modifiers == *modifiers) {
            return Error{"This key combination is already registered"};
        }
    }
    auto grabbed = grabKey(keycode, *modifiers);
    if (!grabbed) return grabbed.error();

    const auto serial = nextSerial_++;
    grabs_.emplace(serial, Grab{combo, id, *keysym, *modifiers, keycode});
    std::weak_ptr<bool> token = token_;
    return Handle::make([this, token, serial] {
        if (!token.expired()) unregister(serial);
    });
}

void X11HotkeyService::unregister(std::uint64_t serial) {
    auto it = grabs_.find(serial);
    if (it == grabs_.end()) return;
    const Grab grab = it->second;
    grabs_.erase(it);
    if (grab.keycode != 0 && connection_.isAlive()) ungrabKey(grab.keycode, grab.modifiers);
}

void X11HotkeyService::onEvent(const XEvent& event) {
    if (event.type == MappingNotify) {
        keyboardMappingChanged(event);
        return;
    }
    if (event.type == KeyRelease) {
        held_.erase(static_cast<KeyCode>(event.xkey.keycode));
        return;
    }
    if (event.type != KeyPress) return;
    const auto keycode = static_cast<KeyCode>(event.xkey.keycode);
    const unsigned int state = event.xkey.state & allModifiers & ~(LockMask | numLockMask_);
    for (const auto& [_, grab] : grabs_) {
        if (grab.keycode != keycode || grab.modifiers != state) continue;
        if (!held_.insert(keycode).second) return;  // a repeat of a held key
        if (onPress_) {
            auto onPress = onPress_;  // the handler may replace itself or end this service
            onPress(grab.id);
        }
        return;
    }
}

void X11HotkeyService::keyboardMappingChanged(const XEvent& event) {
    XMappingEvent mapping = event.xmapping;
    XRefreshKeyboardMapping(&mapping);
    if (mapping.request != MappingKeyboard && mapping.request != MappingModifier) return;
    if (!connection_.isAlive()) return;

    // Release everything under the old map (its lock variants included), then grab again
    // with the keys and the Num Lock bit of the new one.
    for (auto& [_, grab] : grabs_) {
        if (grab.keycode != 0) ungrabKey(grab.keycode, grab.modifiers);
    }
    held_.clear();
    numLockMask_ = findNumLockMask();
    for (auto& [_, grab] : grabs_) {
        grab.keycode = XKeysymToKeycode(display_, grab.keysym);
        if (grab.keycode == 0) {
            log_.error("After a keyboard change no key types the hot key %s",
                       shortcutText(grab.combo).c_str());
            continue;
        }
        auto grabbed = grabKey(grab.keycode, grab.modifiers);
        if (!grabbed) {
            log_.error("After a keyboard change the hot key %s could not be grabbed: %s",
                       shortcutText(grab.combo).c_str(), grabbed.error().description.c_str());
            grab.keycode = 0;
        }
    }
}

}  // namespace vesperine
