#pragma once

#include <optional>

#include "Guide/Tip.h"
#include "Guide/TipsRecord.h"
#include "Support/Instant.h"

namespace vesperine {

// When each menu tip may show: our own small tips engine. Pure: the guide gives it what was
// recorded, the current parameters and the time.
//
// Every tip needs tips switched on, must not have been closed by the user and must have
// shown in fewer than `maxViews` menu openings (the opening that shows it for the last time
// keeps it). Then, per place:
//
//   modePicker    the menu has opened; no mode picked yet
//   slider        a mode has been picked and the mode shown has a strength; no slider moved
//   keep          an override is in force; its lifetime never changed
//   reset         the menu has opened 3 times; the display never reset; no override is in
//                 force (with one, the Off hot key the tip names resumes the schedule
//                 instead of switching the tint off, so the tip would promise too much)
//   boostLimit    the boost is limited now
//   scheduleLine  the menu has opened twice, the first time an hour ago or more; the
//                 schedules never opened
//   shortcuts     the menu has opened 5 times, the first time a day ago or more; no hot key
//                 used (someone who uses them needs no tip)
//   pauseApp      the menu has opened 3 times, the first time a day ago or more; no
//                 application paused yet; the menu knows an application to pause
//
// Only one tip shows at a time: the first eligible one in menu order.
//
// The schedule tab's tips follow the same first three conditions, counting the pages (the
// list, an editor) that showed them, and then:
//
//   scheduleList  always (the list is where schedules are found)
//   previewStep   no step previewed yet
namespace TipRules {

inline constexpr int maxViews = 3;

struct Parameters {
    bool enabled = true;        // tips switched on
    bool hasOverride = false;   // the user's pick overrides the schedule
    bool boostLimited = false;  // the menu shows why the boost is limited
    bool showsStrength = false; // the mode shown has a strength slider (not Off)
    bool appToPause = false;    // the menu offers to pause an application (one was in front)
    bool operator==(const Parameters&) const = default;
};

// `showing`: the tip of the current menu opening, which stays although its views are used up.
bool isEligible(MenuSpot spot, const TipsRecord& record, const Parameters& parameters,
                Instant now, std::optional<MenuSpot> showing = std::nullopt);

// Whether the schedule tab's `tip` may show on a page that opens now.
bool isEligible(ScheduleTip tip, const TipsRecord& record, bool enabled);

// The first eligible place in menu order, or none.
std::optional<MenuSpot> choose(const TipsRecord& record, const Parameters& parameters,
                               Instant now, std::optional<MenuSpot> showing = std::nullopt);

}  // namespace TipRules
}  // namespace vesperine
