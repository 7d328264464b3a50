#include "Settings/KeyframeEdits.h"

#include <gtest/gtest.h>

#include <limits>

namespace vesperine {
namespace {

using namespace KeyframeEdits;
using Side = OffsetLabel::Side;

// Small offsets either side and none are the schedule tab's test.
TEST(KeyframeEdits, OffsetsAreLabelledBySideAndSize) {
    const std::pair<std::int64_t, OffsetLabel> cases[] = {
        {-240, {Side::earlier, 240}},
        {std::numeric_limits<std::int64_t>::min(), {Side::earlier, 9'223'372'036'854'775'808u}},
        {std::numeric_limits<std::int64_t>::max(), {Side::later, 9'223'372'036'854'775'807u}},
    };
    for (const auto& [offset, label] : cases) EXPECT_EQ(offsetLabel(offset), label) << offset;
}

// The other changes of kind are the schedule tab's test, through its pickers.
TEST(KeyframeEdits, PickingAnAnchorKindKeepsWhatItCan) {
    const auto sunset = TimeAnchor::solar(SolarEvent::sunset, -30);
    using Today = std::optional<ScheduleToday::WallTime>;
    const std::tuple<const char*, TimeAnchor, AnchorKind, Today, TimeAnchor> cases[] = {
        {"same kind: unchanged, even a time that forms none", TimeAnchor::clock(25, 0),
         AnchorKind::clock, ScheduleToday::WallTime{8, 0}, TimeAnchor::clock(25, 0)},
        {"sunset to clock without a time today: the stand-in time", sunset, AnchorKind::clock,
         std::nullopt, TimeAnchor::clock(19, 0)},
    };
    for (const auto& [name, from, kind, today, to] : cases) {
        EXPECT_EQ(withAnchorKind(from, kind, today), to) << name;
        EXPECT_EQ(anchorKind(to), kind) << name;
    }
}

}  // namespace
}  // namespace vesperine
