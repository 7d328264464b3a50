#include "Settings/KeyframeEdits.h"

#include <gtest/gtest.h>

#include <limits>

namespace vesperine {
namespace {

using namespace KeyframeEdits;
using Side = OffsetLabel::Side;

TEST(KeyframeEdits, OffsetsAreLabelledBySideAndSize) {
    struct Case {
        std::int64_t offset;
        OffsetLabel label;
    } cases[] = {
        {0, {Side::exactly, 0}},
        {15, {Side::later, 15}},
        {-15, {Side::earlier, 15}},
        {-240, {Side::earlier, 240}},
        {std::numeric_limits<std::int64_t>::min(), {Side::earlier, 9'223'372'036'854'775'808u}},
        {std::numeric_limits<std::int64_t>::max(), {Side::later, 9'223'372'036'854'775'807u}},
    };
    for (const auto& c : cases) EXPECT_EQ(offsetLabel(c.offset), c.label) << c.offset;
}

TEST(KeyframeEdits, PickingAnAnchorKindKeepsWhatItCan) {
    const auto sunset = TimeAnchor::solar(SolarEvent::sunset, -30);
    struct Case {
        const char* name;
        TimeAnchor from;
        AnchorKind kind;
        std::optional<ScheduleToday::WallTime> today;
        TimeAnchor to;
    } cases[] = {
        {"same kind: unchanged, even a time that forms none", TimeAnchor::clock(25, 0),
         AnchorKind::clock, ScheduleToday::WallTime{8, 0}, TimeAnchor::clock(25, 0)},
        {"sunset to sunrise keeps the offset", sunset, AnchorKind::sunrise, std::nullopt,
         TimeAnchor::solar(SolarEvent::sunrise, -30)},
        {"clock to sunset: exactly at sunset", TimeAnchor::clock(21, 15), AnchorKind::sunset,
         std::nullopt, TimeAnchor::solar(SolarEvent::sunset, 0)},
        {"sunset to clock: where it fell today", sunset, AnchorKind::clock,
         ScheduleToday::WallTime{20, 37}, TimeAnchor::clock(20, 37)},
        {"sunset to clock without a time today: the stand-in time", sunset, AnchorKind::clock,
         std::nullopt, TimeAnchor::clock(19, 0)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(withAnchorKind(c.from, c.kind, c.today), c.to) << c.name;
        EXPECT_EQ(anchorKind(c.to), c.kind) << c.name;
    }
}

TEST(KeyframeEdits, PickingAModeKindBringsItsRememberedStrength) {
    const Preferences remembered{2.5, 2700, 0.6};
    EXPECT_EQ(withModeKind(DisplayMode::warm(1900), DisplayMode::Kind::warm, remembered),
              DisplayMode::warm(1900));
    EXPECT_EQ(withModeKind(DisplayMode::warm(1900), DisplayMode::Kind::red, remembered),
              DisplayMode::red(0.6));
    EXPECT_EQ(withModeKind(DisplayMode::off(), DisplayMode::Kind::bright, remembered),
              DisplayMode::bright(2.5));
}

}  // namespace
}  // namespace vesperine
