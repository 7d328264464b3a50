#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/DefaultsStore.h"
#include "Platform/FileSystem.h"
#include "Platform/Logger.h"
#include "Platform/NightLightTint.h"
#include "Platform/SystemColourFeature.h"
#include "Support/CallbackList.h"

namespace vesperine {

// The desktop's night light, whichever desktop this is: it asks every kind it knows (GNOME's,
// KDE Plasma's) and goes by those that answer. On while any is on, off while any answers
// and none is on, unavailable when none answers (a desktop without a night light, or no
// session bus). Switching it off switches off every one that is on.
class DesktopNightLight final : public SystemColourFeature {
  public:
    // What a desktop's tint keeps the user's values in and drives the night light through.
    struct TintServices {
        DefaultsStore& defaults;
        FileSystem& files;
        BusConnection* sessionBus;  // may be null
        std::string configHome;     // the user's XDG configuration folder
        Logger& logger;
    };
    // A desktop with a night light of its own: the name XDG_CURRENT_DESKTOP gives it, its
    // night light on the session bus, and the tint it lends.
    struct Desktop {
        const char* name;
        std::unique_ptr<SystemColourFeature> (*light)(BusConnection* sessionBus, Scheduler&, Logger&);
        std::unique_ptr<NightLightTint> (*tint)(const TintServices&);
    };
    static const std::vector<Desktop>& desktops();

    // Every desktop's night light on the given session bus (which may be null).
    static std::unique_ptr<DesktopNightLight> onSessionBus(BusConnection* sessionBus,
                                                           Scheduler& scheduler, Logger& logger);
    // The tint of the desktop that `currentDesktop` (XDG_CURRENT_DESKTOP's value, such as
    // "ubuntu:GNOME") names; none for a desktop not listed.
    static std::unique_ptr<NightLightTint> tintOf(std::string_view currentDesktop,
                                                  const TintServices& services);

    DesktopNightLight(std::vector<std::unique_ptr<SystemColourFeature>> kinds, Scheduler& scheduler);

    SystemFeatureStatus status() const override;
    void setEnabled(bool enabled, std::function<void(bool)> done) override;
    Handle observe(std::function<void()> onChange) override { return observers_.add(std::move(onChange)); }

  private:
    std::vector<std::unique_ptr<SystemColourFeature>> kinds_;
    Scheduler& scheduler_;
    std::vector<Handle> watches_;
    CallbackList<> observers_;
    Alive alive_;
};

}  // namespace vesperine
