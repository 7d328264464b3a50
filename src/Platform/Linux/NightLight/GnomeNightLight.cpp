#include "Platform/Linux/NightLight/GnomeNightLight.h"

namespace vesperine {

namespace {
constexpr const char* activeProperty = "NightLightActive";
constexpr const char* disabledProperty = "DisabledUntilTomorrow";
}  // namespace

GnomeNightLight::GnomeNightLight(BusConnection* sessionBus, Scheduler& scheduler, Logger& logger)
    : GnomeNightLight(sessionBus, scheduler, logger, Names{}, std::chrono::seconds(2)) {}

GnomeNightLight::GnomeNightLight(BusConnection* sessionBus, Scheduler& scheduler, Logger& logger,
                                 Names names, Duration timeout)
    : scheduler_(scheduler), log_(logger, "conflicts"), names_(std::move(names)),
      daemon_(sessionBus, scheduler, log_, "GNOME's Night Light",
              {{names_.service, names_.path, names_.interface}},
              [this](const BusProperties::Map& properties, bool all) { return take(properties, all); },
              [this] { changed(); }, {timeout}) {
    last_ = status();
}

GnomeNightLight::~GnomeNightLight() = default;

SystemFeatureStatus GnomeNightLight::status() const {
    switch (daemon_.state()) {
        case BusServiceReader::State::unknown: return SystemFeatureStatus::off;  // not answered yet
        case BusServiceReader::State::absent:
        case BusServiceReader::State::broken: return SystemFeatureStatus::unavailable;
        case BusServiceReader::State::present: break;
    }
    const auto enabled = flag_ ? flag_->value() : std::nullopt;
    if (!enabled) return SystemFeatureStatus::unavailable;
    return active_ || (*enabled && !disabledUntilTomorrow_) ? SystemFeatureStatus::on
                                                            : SystemFeatureStatus::off;
}

Status GnomeNightLight::take(const BusProperties::Map& properties, bool all) {
    auto values = BusProperties::booleans(properties, {activeProperty, disabledProperty});
    if (!values) return Error{names_.service + " answered oddly: " + values.error().description};
    if (all && !values->count(activeProperty)) {
        return Error{names_.service + " has no " + activeProperty};
    }
    if (auto it = values->find(activeProperty); it != values->end()) active_ = it->second;
    if (auto it = values->find(disabledProperty); it != values->end()) disabledUntilTomorrow_ = it->second;
    else if (all) disabledUntilTomorrow_ = false;  // older daemons have no such property
    if (!flag_) {
        flag_ = std::make_unique<GSettingsFlag>(names_.schema, names_.key);
        if (flag_->available()) {
            flagWatch_ = flag_->observe(alive_.guard([this] { changed(); }));
        } else {
            log_.write(LogLevel::error, "GNOME's Night Light can't be read: " + flag_->problem());
        }
    }
    return success();
}

void GnomeNightLight::changed() {
    const auto now = status();
    if (now == last_) return;
    last_ = now;
    observers_.notify();
}

void GnomeNightLight::setEnabled(bool enabled, std::function<void(bool)> done) {
    bool inState = false;
    if (status() != SystemFeatureStatus::unavailable && flag_) {
        if (!flag_->set(enabled)) {
            log_.write(LogLevel::error, "GNOME's Night Light setting is locked; it stays as it is");
        }
        const bool key = flag_->value().value_or(!enabled);
        inState = enabled ? key && !disabledUntilTomorrow_ : !key;
    }
    scheduler_.post(alive_.guard([done = std::move(done), inState] {
        if (done) done(inState);
    }));
}

}  // namespace vesperine
