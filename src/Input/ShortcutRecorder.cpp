#include "Input/ShortcutRecorder.h"

namespace vesperine {

void ShortcutRecorder::begin(HotkeyAction action) {
    stop();
    recording_.set(action);
    manager_.suspend();
}

bool ShortcutRecorder::handleKeyDown(const KeyEvent& event) {
    if (!recording_.get()) return false;
    const HotkeyAction action = *recording_.get();
    if (event.keyCode == KeyEvent::escapeKeyCode) {
        stop();
        return true;
    }
    auto combo = KeyCombo::fromEvent(event);
    if (!combo) return true;
    // A combination bound to another action is not refused here: both go to registration,
    // and whatever the service refuses shows as a conflict.
    manager_.set(std::move(combo), action);
    stop();
    return true;
}

void ShortcutRecorder::stop() {
    if (!recording_.get()) return;
    recording_.set(std::nullopt);
    manager_.resume();
}

}  // namespace vesperine
