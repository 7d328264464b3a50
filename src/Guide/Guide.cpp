#include "Guide/Guide.h"

#include "App/AppState.h"
#include "Persistence/Stored.h"

namespace vesperine {

Guide::Guide(DefaultsStore& defaults, const Clock& clock, Logger& logger)
    : defaults_(defaults),
      clock_(clock),
      log_(logger, "guide"),
      record_(Stored::load(recordKey, TipsRecord{}, defaults)),
      enabled_(!defaults.value(enabledKey) || defaults.boolean(enabledKey)),
      hintShown_(defaults.boolean(hintShownKey)) {}

void Guide::start(AppState& state, bool resetTips) {
    if (resetTips || defaults_.boolean(resetOnLaunchKey)) {
        defaults_.set(resetOnLaunchKey, false);
        defaults_.remove(hintShownKey);
        defaults_.remove(recordKey);
        record_ = {};
        showing_.reset();
        hintShown_.set(false);
        log_.notice("Tips start over");
    }
    state_ = &state;
    overrideWatch_ = state.override().observe([this](const auto&) { refreshMenu(); });
    resolutionWatch_ = state.resolution().observe([this](const auto&) { refreshMenu(); });
    refreshMenu();
}

void Guide::setEnabled(bool on) {
    defaults_.set(enabledKey, on);
    enabled_.set(on);
    refreshMenu();
}

void Guide::reloadStored() {
    if (enabled_.set(!defaults_.value(enabledKey) || defaults_.boolean(enabledKey))) refreshMenu();
}

void Guide::donate(TipEvent event) {
    record_.donate(event, clock_.now());
    if (event == TipEvent::menuOpened) {
        showing_.reset();
        refreshMenu();
        showing_ = menuSpot_.get();
        if (showing_) ++record_.tips[*showing_].views;
    } else {
        refreshMenu();
    }
    save();
}

void Guide::close(MenuSpot spot) {
    record_.tips[spot].closed = true;
    if (showing_ == spot) showing_.reset();
    save();
    refreshMenu();
}

void Guide::refreshMenu() {
    menuSpot_.set(TipRules::choose(record_, parameters(), clock_.now(), showing_));
}

void Guide::menuOpened() {
    markHintShown();
    donate(TipEvent::menuOpened);
}

void Guide::markHintShown() {
    if (!defaults_.boolean(hintShownKey)) defaults_.set(hintShownKey, true);
    hintShown_.set(true);
}

void Guide::followApplications(
    const Observable<std::optional<RunningApplication>>& lastExternal) {
    lastExternal_ = &lastExternal;
    applicationWatch_ = lastExternal.observe([this](const auto&) { refreshMenu(); });
    refreshMenu();
}

std::optional<Tip> Guide::tip(MenuSpot spot) const {
    if (menuSpot_.get() != spot) return std::nullopt;
    return Tips::at(spot);
}

std::optional<Tip> Guide::showScheduleTip(ScheduleTip tip) {
    if (!TipRules::isEligible(tip, record_, enabled_.get())) return std::nullopt;
    ++record_.scheduleTips[tip].views;
    save();
    return Tips::at(tip);
}

void Guide::close(ScheduleTip tip) {
    record_.scheduleTips[tip].closed = true;
    save();
}

TipRules::Parameters Guide::parameters() const {
    TipRules::Parameters parameters;
    parameters.enabled = enabled_.get();
    parameters.appToPause = lastExternal_ && lastExternal_->get().has_value();
    if (state_) {
        const auto& resolution = state_->resolution().get();
        parameters.hasOverride = state_->override().get().has_value();
        // Only a limit of the power guard: a display that cannot show Bright is another story.
        parameters.boostLimited = resolution.limitation.has_value() &&
                                  state_->boostLimit().get().kind() !=
                                      ModeResolver::BoostLimit::Kind::none;
        parameters.showsStrength = resolution.mode.kind() != DisplayMode::Kind::off;
    }
    return parameters;
}

void Guide::save() {
    if (!Stored::save(record_, recordKey, defaults_)) log_.error("Couldn't store the tips");
}

}  // namespace vesperine
