#include "Input/HotkeyManager.h"

#include "Input/ShortcutText.h"
#include "Persistence/Stored.h"

namespace vesperine {

HotkeyManager::HotkeyManager(DefaultsStore& defaults, HotkeyService& service, Logger& logger)
    : defaults_(defaults),
      service_(service),
      log_(logger, "hotkeys"),
      bindings_(Stored::load<HotkeyBindings>(defaultsKey, KeyCombo::defaults(), defaults)) {}

void HotkeyManager::setBindings(HotkeyBindings bindings) {
    bindings_.set(std::move(bindings));
    save();
}

void HotkeyManager::save() { Stored::save(bindings_.get(), defaultsKey, defaults_); }

void HotkeyManager::reloadStored() {
    if (bindings_.set(Stored::load<HotkeyBindings>(defaultsKey, KeyCombo::defaults(), defaults_)) &&
        started_) {
        registerAll();
    }
}

void HotkeyManager::start() {
    started_ = true;
    auto handler = service_.installPressHandler(
        alive_.guard([this](HotkeyID pressed) { fire(pressed.id); }));
    if (handler) {
        handler_ = std::move(handler).value();
    } else {
        log_.error("Couldn't receive hot-key presses: %s", handler.error().description.c_str());
    }
    registerAll();
}

void HotkeyManager::registerAll() {
    unregisterAll();
    std::set<HotkeyAction> failed;
    for (auto action : allHotkeyActions) {
        auto bound = bindings_->find(action);
        if (bound == bindings_->end()) continue;
        auto registration = service_.registerHotkey(bound->second, {signature, index(action)});
        if (registration) {
            refs_.emplace(action, std::move(registration).value());
        } else {
            failed.insert(action);
            log_.info("Hot key %s for \"%s\" is not available: %s",
                      shortcutText(bound->second).c_str(), label(action),
                      registration.error().description.c_str());
        }
    }
    conflicts_.set(std::move(failed));
}

void HotkeyManager::unregisterAll() { refs_.clear(); }

void HotkeyManager::set(std::optional<KeyCombo> combo, HotkeyAction action) {
    auto bindings = bindings_.get();
    if (combo) {
        bindings.insert_or_assign(action, std::move(*combo));
    } else {
        bindings.erase(action);
    }
    setBindings(std::move(bindings));
    registerAll();
}

void HotkeyManager::restoreDefaults() {
    setBindings(KeyCombo::defaults());
    registerAll();
}

void HotkeyManager::fire(std::uint32_t id) {
    auto action = hotkeyActionAt(id);
    if (!action || !onAction) return;
    auto callback = onAction;  // the callback may replace onAction
    callback(*action);
}

}  // namespace vesperine
