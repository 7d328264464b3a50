#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace vesperine {

// The places in the menu that can carry a tip, in the order the guide considers them.
enum class MenuSpot { modePicker, slider, keep, reset, boostLimit, scheduleLine, shortcuts, pauseApp };

inline constexpr MenuSpot allMenuSpots[] = {
    MenuSpot::modePicker, MenuSpot::slider,       MenuSpot::keep,      MenuSpot::reset,
    MenuSpot::boostLimit, MenuSpot::scheduleLine, MenuSpot::shortcuts, MenuSpot::pauseApp};

// The case name ("modePicker"), used as the tip's key in the stored record.
const char* rawValue(MenuSpot spot);
std::optional<MenuSpot> menuSpotFromRawValue(std::string_view raw);

// The two tips the settings window's Schedule tab shows: on the list of schedules, and in the
// editor of one.
enum class ScheduleTip { scheduleList, previewStep };

inline constexpr ScheduleTip allScheduleTips[] = {ScheduleTip::scheduleList,
                                                  ScheduleTip::previewStep};

// The case name ("scheduleList"); no menu spot has the same one, so both share the record.
const char* rawValue(ScheduleTip tip);
std::optional<ScheduleTip> scheduleTipFromRawValue(std::string_view raw);

// One tip as the menu shows it. `message` keeps "**" around the words shown in bold; the
// view turns them into its own markup. `icon` is a freedesktop icon name.
struct Tip {
    std::string_view id;  // "ModePickerTip"
    std::string_view title;
    std::string_view message;
    std::string_view icon;

    bool operator==(const Tip&) const = default;
};

namespace Tips {

// The tip shown at each place in the menu.
const Tip& at(MenuSpot spot);

// Shown by the schedule tab, not in the menu.
const Tip& at(ScheduleTip tip);

}  // namespace Tips
}  // namespace vesperine
