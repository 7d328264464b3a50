#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/Linux/DBus/BusServiceReader.h"
#include "Platform/Linux/NightLight/GSettingsFlag.h"
#include "Platform/LogOnce.h"
#include "Platform/SystemColourFeature.h"
#include "Support/CallbackList.h"

namespace vesperine {

// GNOME's Night Light. The settings daemon's colour plugin owns it: it is present when the
// plugin is on the session bus (org.gnome.SettingsDaemon.Color answering with its
// NightLightActive property), and the user's switch is the settings key
// "night-light-enabled". It is on while it tints now, or while the switch is on and it has
// not been put off until tomorrow; switching it off writes the key, as the desktop's own
// settings do. Without a session bus, without the plugin or without the key it is
// unavailable. The daemon is followed through BusServiceReader (calls bounded by `timeout`; a
// failed or odd answer logged once per cause in the "conflicts" category and asked again).
class GnomeNightLight final : public SystemColourFeature {
  public:
    struct Names {
        std::string service = "org.gnome.SettingsDaemon.Color";
        std::string path = "/org/gnome/SettingsDaemon/Color";
        std::string interface = "org.gnome.SettingsDaemon.Color";
        std::string schema = "org.gnome.settings-daemon.plugins.color";
        std::string key = "night-light-enabled";
    };

    // `sessionBus` may be null (no session bus): then always unavailable.
    GnomeNightLight(BusConnection* sessionBus, Scheduler& scheduler, Logger& logger);
    // Other names and call timeouts (tests).
    GnomeNightLight(BusConnection* sessionBus, Scheduler& scheduler, Logger& logger, Names names,
                    Duration timeout);
    ~GnomeNightLight() override;

    SystemFeatureStatus status() const override;
    void setEnabled(bool enabled, std::function<void(bool)> done) override;
    Handle observe(std::function<void()> onChange) override { return observers_.add(std::move(onChange)); }

  private:
    Status take(const BusProperties::Map& properties, bool all);
    void changed();

    Scheduler& scheduler_;
    LogOnce log_;
    Names names_;
    bool active_ = false;
    bool disabledUntilTomorrow_ = false;
    std::unique_ptr<GSettingsFlag> flag_;  // made when the daemon is first seen
    SystemFeatureStatus last_ = SystemFeatureStatus::off;
    CallbackList<> observers_;
    Handle flagWatch_;
    BusServiceReader daemon_;
    Alive alive_;
};

}  // namespace vesperine
