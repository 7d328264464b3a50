#include "Guide/Tip.h"

namespace vesperine {

namespace {

// Key combinations as desktops on Linux write them; they are the default shortcuts.
constexpr Tip menuTips[] = {
    {"ModePickerTip", "Pick a mode",
     "**Bright** boosts your screen. **Warm** and **Red** cut blue light for evenings. Your pick "
     "lasts until the schedule's next change.",
     "preferences-desktop-display"},
    {"SliderTip", "Fine-tune it",
     "Drag to set how strong this mode is. Vesperine remembers it for next time.",
     "preferences-desktop"},
    {"KeepTip", "How long should it stay?",
     "Keep your pick until the next scheduled change, for an hour, or until you change it. "
     "**Resume Schedule** hands control back.",
     "preferences-system-time"},
    {"ResetTip", "Your safety net",
     "If the screen ever looks wrong, **Reset Display** or **Ctrl+Alt+0** puts it straight back "
     "to normal.",
     "edit-undo"},
    {"BoostLimitTip", "Why boost is limited",
     "To save battery, boost is capped on battery power and off in Low Power Mode. Change this "
     "in **Settings → Power**.",
     "battery-good"},
    {"ScheduleLineTip", "What's coming next",
     "This is the schedule Vesperine follows and its next change. Switch or edit schedules in "
     "**Settings**.",
     "appointment-soon"},
    {"ShortcutsTip", "Skip the menu",
     "**Ctrl+Alt+B** Bright · **Ctrl+Alt+W** Warm · **Ctrl+Alt+R** Red · **Ctrl+Alt+Up/Down** "
     "stronger or weaker · **Ctrl+Alt+0** off. Change them in Settings → Shortcuts.",
     "preferences-desktop-keyboard-shortcuts"},
    {"PauseAppTip", "Pause for one app",
     "Editing photos or watching HDR video? Pause Vesperine while that app is in front.",
     "media-playback-pause"},
};

constexpr Tip scheduleTips[] = {
    {"ScheduleListTip", "Your schedules",
     "Click a schedule to see and edit its steps. **Use** switches Vesperine to it. **New "
     "Schedule** starts your own.",
     "x-office-calendar"},
    {"PreviewStepTip", "Try a step first",
     "**Preview** shows a step on screen for a few seconds. Nothing changes for real until you "
     "**Save**.",
     "view-preview"},
};

constexpr const char* spotNames[] = {"modePicker", "slider",       "keep",      "reset",
                                     "boostLimit", "scheduleLine", "shortcuts", "pauseApp"};
constexpr const char* scheduleTipNames[] = {"scheduleList", "previewStep"};

}  // namespace

const char* rawValue(MenuSpot spot) { return spotNames[static_cast<int>(spot)]; }

std::optional<MenuSpot> menuSpotFromRawValue(std::string_view raw) {
    for (MenuSpot spot : allMenuSpots) {
        if (raw == rawValue(spot)) return spot;
    }
    return std::nullopt;
}

const char* rawValue(ScheduleTip tip) { return scheduleTipNames[static_cast<int>(tip)]; }

std::optional<ScheduleTip> scheduleTipFromRawValue(std::string_view raw) {
    for (ScheduleTip tip : allScheduleTips) {
        if (raw == rawValue(tip)) return tip;
    }
    return std::nullopt;
}

namespace Tips {

const Tip& at(MenuSpot spot) { return menuTips[static_cast<int>(spot)]; }
const Tip& at(ScheduleTip tip) { return scheduleTips[static_cast<int>(tip)]; }

}  // namespace Tips
}  // namespace vesperine
