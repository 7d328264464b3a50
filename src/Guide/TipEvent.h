#pragma once

#include <optional>
#include <string_view>

namespace vesperine {

// What the user did that the tips care about. The menu, the hot keys and the settings window
// donate these to the guide; the stored identifier is the case name ("menuOpened").
enum class TipEvent {
    menuOpened,       // the menu was shown
    modePicked,       // a mode was chosen in the menu
    sliderUsed,       // a strength slider was moved
    shortcutUsed,     // a hot key was pressed
    appPaused,        // a rule was added for the application in front
    lifetimeChanged,  // the override's lifetime was changed in the menu
    displayReset,     // "Reset Display" (menu or hot key)
    schedulesOpened,  // the schedule list or editor was opened
    stepPreviewed,    // a schedule step was previewed
};

inline constexpr TipEvent allTipEvents[] = {
    TipEvent::menuOpened,      TipEvent::modePicked,   TipEvent::sliderUsed,
    TipEvent::shortcutUsed,    TipEvent::appPaused,    TipEvent::lifetimeChanged,
    TipEvent::displayReset,    TipEvent::schedulesOpened, TipEvent::stepPreviewed};

const char* rawValue(TipEvent event);
std::optional<TipEvent> tipEventFromRawValue(std::string_view raw);

}  // namespace vesperine
