#include "Platform/Simulated/SimulatedHotkeys.h"

#include "Input/ShortcutText.h"

namespace vesperine {

Result<Handle> SimulatedHotkeys::installPressHandler(std::function<void(HotkeyID)> onPress) {
    if (handlerRefused_) return Error{"The simulated hot-key service refuses a handler."};
    onPress_ = std::move(onPress);
    const auto generation = ++handlerGeneration_;
    std::weak_ptr<bool> alive = alive_;
    return Handle::make([this, alive, generation] {
        // A later install replaced this handler; cancelling the old handle leaves it alone.
        if (alive.lock() && handlerGeneration_ == generation) onPress_ = nullptr;
    });
}

Result<Handle> SimulatedHotkeys::registerHotkey(const KeyCombo& combo, HotkeyID id) {
    ++attempts_;
    if (takenElsewhere_.count(keyOf(combo))) {
        return Error{shortcutText(combo) + " is held by another program."};
    }
    for (const auto& [_, registration] : registrations_) {
        if (keyOf(registration.combo) == keyOf(combo)) {
            return Error{shortcutText(combo) + " is already registered."};
        }
    }
    const auto serial = next_++;
    registrations_.emplace(serial, Registration{combo, id});
    std::weak_ptr<bool> alive = alive_;
    return Handle::make([this, alive, serial] {
        if (alive.lock()) registrations_.erase(serial);
    });
}

bool SimulatedHotkeys::press(const KeyCombo& combo) {
    if (!onPress_) return false;
    for (const auto& [_, registration] : registrations_) {
        if (keyOf(registration.combo) == keyOf(combo)) {
            auto onPress = onPress_;
            onPress(registration.id);
            return true;
        }
    }
    return false;
}

void SimulatedHotkeys::pressId(HotkeyID id) {
    if (!onPress_) return;
    auto onPress = onPress_;
    onPress(id);
}

void SimulatedHotkeys::setTakenElsewhere(const KeyCombo& combo, bool taken) {
    if (taken) {
        takenElsewhere_.insert(keyOf(combo));
    } else {
        takenElsewhere_.erase(keyOf(combo));
    }
}

std::vector<SimulatedHotkeys::Registration> SimulatedHotkeys::registrations() const {
    std::vector<Registration> out;
    for (const auto& [_, registration] : registrations_) out.push_back(registration);
    return out;
}

}  // namespace vesperine
