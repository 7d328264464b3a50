#include "Platform/Linux/NightLight/GnomeNightLight.h"

#include <systemd/sd-bus.h>

#include "Platform/Linux/DBus/BusProperties.h"

namespace vesperine {

namespace {
constexpr const char* activeProperty = "NightLightActive";
constexpr const char* disabledProperty = "DisabledUntilTomorrow";
}  // namespace

GnomeNightLight::GnomeNightLight(BusConnection* sessionBus, Scheduler& scheduler, Logger& logger)
    : GnomeNightLight(sessionBus, scheduler, logger, Names{}, std::chrono::seconds(2)) {}

GnomeNightLight::GnomeNightLight(BusConnection* sessionBus, Scheduler& scheduler, Logger& logger,
                                 Names names, Duration timeout)
    : bus_(sessionBus), scheduler_(scheduler), log_(logger, "conflicts"), names_(std::move(names)),
      timeout_(timeout) {
    if (!bus_) {
        daemon_ = Daemon::absent;
        last_ = SystemFeatureStatus::unavailable;
        return;
    }
    // The daemon may start after us (a session still coming up) or restart.
    ownerWatch_ = bus_->watchNameOwner(names_.service, alive_.guard([this](bool has) {
        if (has) {
            probe();
        } else {
            absent();
        }
    }));
    propertiesWatch_ = bus_->watchProperties(object(), alive_.guard([this](sd_bus_message* m) {
        if (daemon_ == Daemon::present) take(m, false);
    }));
    lossWatch_ = bus_->observeLoss(alive_.guard([this] {
        logOnce("Lost the session bus; GNOME's Night Light is no longer read");
        absent();
    }));
    probe();
}

GnomeNightLight::~GnomeNightLight() = default;

SystemFeatureStatus GnomeNightLight::status() const {
    switch (daemon_) {
        case Daemon::unknown: return SystemFeatureStatus::off;  // not answered yet
        case Daemon::absent:
        case Daemon::broken: return SystemFeatureStatus::unavailable;
        case Daemon::present: break;
    }
    const auto enabled = flag_ ? flag_->value() : std::nullopt;
    if (!enabled) return SystemFeatureStatus::unavailable;
    return active_ || (*enabled && !disabledUntilTomorrow_) ? SystemFeatureStatus::on
                                                            : SystemFeatureStatus::off;
}

void GnomeNightLight::probe() {
    retry_.cancel();
    // Asking whether the name has an owner first never starts a service by activation, and
    // tells "not this desktop" (silent) from "broken" (logged).
    pending_ = bus_->call(
        {"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner"},
        [service = names_.service](sd_bus_message* m) {
            return sd_bus_message_append(m, "s", service.c_str());
        },
        alive_.guard([this](sd_bus_message* reply, const std::string& error) {
            int has = 0;
            if (!error.empty() || sd_bus_message_read(reply, "b", &has) < 0) {
                broken("the bus could not say whether " + names_.service + " runs: " + error);
            } else if (has) {
                readAll();
            } else {
                absent();
            }
        }),
        timeout_);
}

void GnomeNightLight::readAll() {
    pending_ = bus_->call(
        {names_.service, names_.path, "org.freedesktop.DBus.Properties", "GetAll"},
        [interface = names_.interface](sd_bus_message* m) {
            return sd_bus_message_append(m, "s", interface.c_str());
        },
        alive_.guard([this](sd_bus_message* reply, const std::string& error) {
            if (!error.empty()) {
                broken(names_.service + " did not answer: " + error);
                return;
            }
            take(reply, true);
        }),
        timeout_);
}

void GnomeNightLight::take(sd_bus_message* dictionary, bool all) {
    auto values = BusProperties::readBooleans(dictionary, {activeProperty, disabledProperty});
    if (!values) {
        broken(names_.service + " answered oddly: " + values.error().description);
        return;
    }
    if (all && !values->count(activeProperty)) {
        broken(names_.service + " has no " + activeProperty);
        return;
    }
    if (auto it = values->find(activeProperty); it != values->end()) active_ = it->second;
    if (auto it = values->find(disabledProperty); it != values->end()) disabledUntilTomorrow_ = it->second;
    else if (all) disabledUntilTomorrow_ = false;  // older daemons have no such property
    daemon_ = Daemon::present;
    if (!flag_) {
        flag_ = std::make_unique<GSettingsFlag>(names_.schema, names_.key);
        if (flag_->available()) {
            flagWatch_ = flag_->observe(alive_.guard([this] { changed(); }));
        } else {
            logOnce("GNOME's Night Light can't be read: " + flag_->problem());
        }
    }
    changed();
}

void GnomeNightLight::absent() {
    pending_.cancel();
    retry_.cancel();
    daemon_ = Daemon::absent;
    changed();
}

void GnomeNightLight::broken(const std::string& cause) {
    logOnce("GNOME's Night Light can't be read: " + cause);
    daemon_ = Daemon::broken;
    retry_ = scheduler_.oneShot(retryDelay, alive_.guard([this] { probe(); }));
    changed();
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
        if (!flag_->set(enabled)) logOnce("GNOME's Night Light setting is locked; it stays as it is");
        const bool key = flag_->value().value_or(!enabled);
        inState = enabled ? key && !disabledUntilTomorrow_ : !key;
    }
    scheduler_.post(alive_.guard([done = std::move(done), inState] {
        if (done) done(inState);
    }));
}

void GnomeNightLight::logOnce(const std::string& message) {
    if (message == lastLogged_) return;
    lastLogged_ = message;
    log_.error("%s", message.c_str());
}

}  // namespace vesperine
