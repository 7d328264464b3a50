#pragma once

#include <QKeyEvent>
#include <optional>

#include "Input/KeyEvent.h"

namespace vesperine {

// A Qt key press as the shortcut recorder takes it: the key's stored key code (the place of
// that key on a US keyboard, found through the symbol it types, as the hot keys are grabbed), the
// held modifiers, and what the key types without them.
struct RecordedKey {
    enum class Kind {
        key,           // `event` holds the key
        modifierOnly,  // Ctrl, Alt, Shift or Super pressed on its own: the combination is not done
        unknown,       // a key no shortcut can be grabbed with
    };
    Kind kind = Kind::unknown;
    KeyEvent event;

    static RecordedKey from(const QKeyEvent& event);
    // The same from the parts of an event (what `from` reads).
    static RecordedKey from(int qtKey, Qt::KeyboardModifiers modifiers);
};

}  // namespace vesperine
