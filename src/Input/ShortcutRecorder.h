#pragma once

#include <optional>

#include "Input/HotkeyAction.h"
#include "Input/HotkeyManager.h"
#include "Input/KeyEvent.h"
#include "Support/Observable.h"

namespace vesperine {

// Records a new shortcut for one action from the key-downs the settings window passes in.
// While recording, the manager's registrations are given back, so that pressing an
// existing shortcut does not fire it. The manager is borrowed and must outlive the recorder;
// a recorder destroyed while recording stops first, so the shortcuts come back.
class ShortcutRecorder {
public:
    explicit ShortcutRecorder(HotkeyManager& manager) : manager_(manager) {}
    ~ShortcutRecorder() { stop(); }
    ShortcutRecorder(const ShortcutRecorder&) = delete;
    ShortcutRecorder& operator=(const ShortcutRecorder&) = delete;

    // The action being recorded, if any. The window listens to key-downs while it is set.
    const Observable<std::optional<HotkeyAction>>& recording() const { return recording_; }

    // Stops a recording in progress, then records for `action`.
    void begin(HotkeyAction action);
    // A key-down while recording. Esc stops without a change; a key without control, option
    // or command is ignored and recording goes on; anything else becomes the action's
    // shortcut and stops. Returns true when the event is swallowed, which is every key-down
    // while recording (false when not recording).
    bool handleKeyDown(const KeyEvent& event);
    // Ends recording (if any) and registers every shortcut again.
    void stop();

private:
    HotkeyManager& manager_;
    Observable<std::optional<HotkeyAction>> recording_;
};

}  // namespace vesperine
