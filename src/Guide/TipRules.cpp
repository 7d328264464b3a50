#include "Guide/TipRules.h"

namespace vesperine::TipRules {

namespace {

constexpr double hour = 3600, day = 24 * hour;

}  // namespace

bool isEligible(MenuSpot spot, const TipsRecord& record, const Parameters& parameters,
                Instant now, std::optional<MenuSpot> showing) {
    if (!parameters.enabled) return false;
    const auto history = record.history(spot);
    if (history.closed) return false;
    if (history.views >= maxViews && showing != spot) return false;
    const int opened = record.count(TipEvent::menuOpened);
    const double usedFor = record.secondsSinceFirst(TipEvent::menuOpened, now).value_or(0);
    auto never = [&](TipEvent event) { return record.count(event) == 0; };
    switch (spot) {
        case MenuSpot::modePicker:
            return opened >= 1 && never(TipEvent::modePicked);
        case MenuSpot::slider:
            return !never(TipEvent::modePicked) && parameters.showsStrength &&
                   never(TipEvent::sliderUsed);
        case MenuSpot::keep:
            return parameters.hasOverride && never(TipEvent::lifetimeChanged);
        case MenuSpot::reset:
            return opened >= 3 && never(TipEvent::displayReset) && !parameters.hasOverride;
        case MenuSpot::boostLimit:
            return parameters.boostLimited;
        case MenuSpot::scheduleLine:
            return opened >= 2 && usedFor >= hour && never(TipEvent::schedulesOpened);
        case MenuSpot::shortcuts:
            return opened >= 5 && usedFor >= day && never(TipEvent::shortcutUsed);
        case MenuSpot::pauseApp:
            return opened >= 3 && usedFor >= day && never(TipEvent::appPaused) &&
                   parameters.appToPause;
    }
    return false;
}

bool isEligible(ScheduleTip tip, const TipsRecord& record, bool enabled) {
    const auto history = record.history(tip);
    if (!enabled || history.closed || history.views >= maxViews) return false;
    switch (tip) {
        case ScheduleTip::scheduleList: return true;
        case ScheduleTip::previewStep: return record.count(TipEvent::stepPreviewed) == 0;
    }
    return false;
}

std::optional<MenuSpot> choose(const TipsRecord& record, const Parameters& parameters,
                               Instant now, std::optional<MenuSpot> showing) {
    for (MenuSpot spot : allMenuSpots) {
        if (isEligible(spot, record, parameters, now, showing)) return spot;
    }
    return std::nullopt;
}

}  // namespace vesperine::TipRules
