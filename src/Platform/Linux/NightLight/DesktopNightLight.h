#pragma once

#include <memory>
#include <vector>

#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/Logger.h"
#include "Platform/SystemColourFeature.h"
#include "Support/CallbackList.h"

namespace vesperine {

// The desktop's night light, whichever desktop this is: it asks every kind it knows (GNOME's,
// KDE Plasma's) and goes by those that answer. On while any is on, off while any answers
// and none is on, unavailable when none answers (a desktop without a night light, or no
// session bus). Switching it off switches off every one that is on.
class DesktopNightLight final : public SystemColourFeature {
  public:
    // GNOME's and KWin's on the given session bus (which may be null).
    static std::unique_ptr<DesktopNightLight> onSessionBus(BusConnection* sessionBus,
                                                           Scheduler& scheduler, Logger& logger);

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
