#include "App/ControlStatus.h"

#include <gtest/gtest.h>

namespace vesperine {
namespace {

// What `vesperine status` prints for each reason a mode shows; times as "@<seconds>".
TEST(ControlStatus, SaysWhatShowsWhyAndWhatComesNext) {
    const auto at = [](std::int64_t seconds) { return "@" + std::to_string(seconds); };
    ControlStatus scheduled;
    scheduled.mode = "Warm 3400K";
    scheduled.schedule = "Classic";
    scheduled.nextMode = "Red";
    scheduled.nextChange = 1000;
    const auto with = [&](auto change) {
        ControlStatus status = scheduled;
        change(status);
        return status;
    };
    const std::pair<ControlStatus, std::string> cases[] = {
        {scheduled,
         "Showing Warm 3400K\nWhy: the schedule\nSchedule: Classic; next change at @1000 to "
         "Red\n"},
        {with([](ControlStatus& s) {
             s.mode = "Off";
             s.limitation = "Bright needs an HDR display";
             s.source = "nextChange";
         }),
         "Showing Off: Bright needs an HDR display\nWhy: picked by hand, until the next "
         "scheduled change\nSchedule: Classic; next change at @1000 to Red\n"},
        {with([](ControlStatus& s) {
             s.source = "until";
             s.until = 500;
             s.nextMode.clear();
         }),
         "Showing Warm 3400K\nWhy: picked by hand, until @500\nSchedule: Classic; no change "
         "ahead\n"},
        {with([](ControlStatus& s) { s.source = "indefinitely"; }),
         "Showing Warm 3400K\nWhy: picked by hand, until changed (\"vesperine resume\" follows "
         "the schedule)\nSchedule: Classic; next change at @1000 to Red\n"},
        {with([](ControlStatus& s) { s.source = "preview"; }),
         "Showing Warm 3400K\nWhy: a preview, which ends by itself in a moment\nSchedule: "
         "Classic; next change at @1000 to Red\n"},
    };
    for (const auto& [status, text] : cases) {
        EXPECT_EQ(status.describe(at), text);
    }
}

}  // namespace
}  // namespace vesperine
