#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Linux/DBus/BusServiceReader.h"
#include "Platform/LogOnce.h"
#include "Platform/SystemColourFeature.h"
#include "Support/CallbackList.h"

namespace vesperine {

// KDE Plasma's Night Light, kept by KWin: `org.kde.KWin.NightLight` on Plasma 6, else the
// older `org.kde.kwin.ColorCorrect` at /ColorCorrect of KWin itself (Plasma 5); both carry
// the properties "available", "enabled" and "inhibited" and the methods inhibit/uninhibit.
// It is on while enabled and not inhibited, unavailable where KWin runs none (or says it is
// not available). Switching it off takes an inhibition: KWin lifts it by itself when our
// bus connection closes, so the user's setting comes back when the program quits. KWin is
// followed through BusServiceReader (calls bounded by `timeout`; a failed or odd answer
// logged once per cause in the "conflicts" category and asked again).
class KWinNightLight final : public SystemColourFeature {
  public:
    using Interface = BusServiceReader::Name;
    static const Interface plasma6;
    static const Interface plasma5;

    // `sessionBus` may be null (no session bus): then always unavailable.
    KWinNightLight(BusConnection* sessionBus, Scheduler& scheduler, Logger& logger,
                   Duration timeout = std::chrono::seconds(2));
    ~KWinNightLight() override;

    SystemFeatureStatus status() const override;
    void setEnabled(bool enabled, std::function<void(bool)> done) override;
    Handle observe(std::function<void()> onChange) override { return observers_.add(std::move(onChange)); }

    // The interface in use, once KWin has answered.
    const std::optional<Interface>& interface() const { return kwin_.chosen(); }

  private:
    Status take(const BusProperties::Map& properties, bool all);
    void changed();
    void answerLater(std::function<void(bool)> done, bool inState);

    Scheduler& scheduler_;
    LogOnce log_;
    bool available_ = false, enabled_ = false, inhibited_ = false;
    std::string cookiesFrom_;               // the KWin that gave them
    std::vector<std::uint32_t> cookies_;  // our inhibitions
    SystemFeatureStatus last_ = SystemFeatureStatus::off;
    CallbackList<> observers_;
    // Calls of changes under way, by number.
    std::map<std::uint64_t, Handle> chains_;
    std::uint64_t nextChain_ = 0;
    BusServiceReader kwin_;
    Alive alive_;
};

}  // namespace vesperine
