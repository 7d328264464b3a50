#include "App/ControlStatus.h"

#include <gtest/gtest.h>

namespace vesperine {
namespace {

// What `vesperine status` prints for each reason a mode shows; times as "@<seconds>". A
// status may come from whatever owns the bus name: its names reach the terminal as text.
TEST(ControlStatus, SaysWhatShowsWhyAndWhatComesNext) {
    const auto at = [](std::int64_t seconds) { return "@" + std::to_string(seconds); };
    ControlStatus scheduled;
    scheduled.mode = "Warm 3400K";
    scheduled.schedule = "Classic";
    scheduled.nextMode = "Red 80%";
    scheduled.nextChange = 1000;
    const auto with = [&](auto change) {
        ControlStatus status = scheduled;
        change(status);
        return status;
    };
    const std::string next = "\nSchedule: Classic; next change at @1000 to Red 80%\n";
    const std::pair<ControlStatus, std::string> cases[] = {
        {scheduled, "Showing Warm 3400K\nWhy: the schedule" + next},
        {with([](ControlStatus& s) {
             s.mode = "Off";
             s.limitation = "Bright needs an HDR display";
             s.source = "nextChange";
         }),
         "Showing Off: Bright needs an HDR display\nWhy: a pick by hand, until the next "
         "scheduled change" + next},
        {with([](ControlStatus& s) {
             s.source = "until";
             s.until = 500;
             s.nextMode.clear();
         }),
         "Showing Warm 3400K\nWhy: a pick by hand, until @500\nSchedule: Classic; no change "
         "ahead\n"},
        {with([](ControlStatus& s) { s.source = "indefinitely"; }),
         "Showing Warm 3400K\nWhy: a pick by hand, until changed (\"vesperine resume\" follows "
         "the schedule)" + next},
        {with([](ControlStatus& s) { s.source = "preview"; }),
         "Showing Warm 3400K\nWhy: a preview, which ends by itself in a moment" + next},
        {with([](ControlStatus& s) {
             s.mode = "Off";
             s.source = "appRule";
             s.application = "GIMP";
         }),
         "Showing Off\nWhy: the rule for GIMP, while it is in front" + next},
        {with([](ControlStatus& s) {
             s.mode = "Off";
             s.source = "fullScreen";
             s.application = "mpv";
         }),
         "Showing Off\nWhy: mpv in front, full screen (\"Pause while a window is full "
         "screen\" is on)" + next},
        {with([](ControlStatus& s) {
             s.mode = "Bright 150%";
             s.limitation = "Boost limited: on battery";
             s.guard = "on battery";
         }),
         "Showing Bright 150%: Boost limited: on battery\nWhy: the power guard, over the "
         "schedule" + next},
        {with([](ControlStatus& s) {
             s.schedule = "\x1B]0;owned\x07\xE2\x80\xAEthgin";
             s.source = "appRule";
             s.application = "a\nWhy: nothing";
             s.nextMode.clear();
         }),
         "Showing Warm 3400K\nWhy: the rule for a\\x0AWhy: nothing, while it is in front\n"
         "Schedule: \\x1B]0;owned\\x07\\u202Ethgin; no change ahead\n"},
    };
    for (const auto& [status, text] : cases) {
        EXPECT_EQ(status.describe(at), text);
    }
}

}  // namespace
}  // namespace vesperine
