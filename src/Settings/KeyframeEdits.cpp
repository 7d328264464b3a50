#include "Settings/KeyframeEdits.h"

namespace vesperine::KeyframeEdits {

AnchorKind anchorKind(const TimeAnchor& anchor) {
    if (anchor.kind() == TimeAnchor::Kind::clock) return AnchorKind::clock;
    return anchor.event() == SolarEvent::sunrise ? AnchorKind::sunrise : AnchorKind::sunset;
}

TimeAnchor withAnchorKind(const TimeAnchor& anchor, AnchorKind kind,
                          std::optional<ScheduleToday::WallTime> timeToday) {
    if (kind == anchorKind(anchor)) return anchor;
    const bool isClock = anchor.kind() == TimeAnchor::Kind::clock;
    switch (kind) {
        case AnchorKind::clock: {
            if (timeToday) return TimeAnchor::clock(timeToday->hour, timeToday->minute);
            const auto [hour, minute] = TimeAnchor::fallback(anchor.event());
            return TimeAnchor::clock(hour, minute);
        }
        case AnchorKind::sunrise:
            return TimeAnchor::solar(SolarEvent::sunrise, isClock ? 0 : anchor.offsetMinutes());
        case AnchorKind::sunset:
            return TimeAnchor::solar(SolarEvent::sunset, isClock ? 0 : anchor.offsetMinutes());
    }
    return anchor;
}

DisplayMode withModeKind(const DisplayMode& mode, DisplayMode::Kind kind,
                         const Preferences& preferences) {
    if (mode.kind() == kind) return mode;
    return preferredMode(kind, preferences);
}

OffsetLabel offsetLabel(std::int64_t offsetMinutes) {
    // The size is taken in unsigned arithmetic: the most negative offset has no positive twin.
    const auto size = static_cast<std::uint64_t>(offsetMinutes);
    if (offsetMinutes == 0) return {OffsetLabel::Side::exactly, 0};
    if (offsetMinutes > 0) return {OffsetLabel::Side::later, size};
    return {OffsetLabel::Side::earlier, std::uint64_t{0} - size};
}

Keyframe newStep() { return Keyframe(TimeAnchor::clock(12, 0), DisplayMode::warm(3400), 30); }

}  // namespace vesperine::KeyframeEdits
