#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/Logger.h"
#include "Platform/SystemColourFeature.h"
#include "Support/CallbackList.h"

namespace vesperine {

// KDE Plasma's Night Light, kept by KWin: `org.kde.KWin.NightLight` on Plasma 6, else the
// older `org.kde.kwin.ColorCorrect` at /ColorCorrect of KWin itself (Plasma 5); both carry
// the properties "available", "enabled" and "inhibited" and the methods inhibit/uninhibit.
// It is on while enabled and not inhibited, unavailable where KWin runs none (or says it is
// not available). Switching it off takes an inhibition: KWin lifts it by itself when our
// bus connection closes, so the user's setting comes back when the program quits. Calls are
// asynchronous and bounded by `timeout`; a failed or odd answer is logged once per cause in
// the "conflicts" category and asked again after `retryDelay`.
class KWinNightLight final : public SystemColourFeature {
  public:
    struct Interface {
        std::string service, path, interface;
    };
    static const Interface plasma6;
    static const Interface plasma5;
    static constexpr auto retryDelay = std::chrono::seconds(60);

    // `sessionBus` may be null (no session bus): then always unavailable.
    KWinNightLight(BusConnection* sessionBus, Scheduler& scheduler, Logger& logger,
                   Duration timeout = std::chrono::seconds(2));
    ~KWinNightLight() override;

    SystemFeatureStatus status() const override;
    void setEnabled(bool enabled, std::function<void(bool)> done) override;
    Handle observe(std::function<void()> onChange) override { return observers_.add(std::move(onChange)); }

    // The interface in use, once KWin has answered.
    std::optional<Interface> interface() const { return chosen_; }

  private:
    enum class State { unknown, absent, present, broken };

    void probe();
    void ask(std::size_t candidate);
    void choose(const Interface& interface);
    [[nodiscard]] Handle readAll(std::function<void()> then);
    [[nodiscard]] Handle request(const char* name, const BusConnection::Writer& arguments,
                                 BusConnection::ReplyHandler onReply);
    void take(sd_bus_message* dictionary, const Interface& interface, bool all);
    void absent();
    void broken(const std::string& cause);
    void changed();
    void answerLater(std::function<void(bool)> done, bool inState);
    BusConnection::Member method(const char* name) const;
    void logOnce(const std::string& message);

    BusConnection* bus_;
    Scheduler& scheduler_;
    Log log_;
    Duration timeout_;
    State state_ = State::unknown;
    std::optional<Interface> chosen_;
    bool available_ = false, enabled_ = false, inhibited_ = false;
    std::vector<std::uint32_t> cookies_;  // our inhibitions
    SystemFeatureStatus last_ = SystemFeatureStatus::off;
    std::string lastLogged_;
    CallbackList<> observers_;
    Handle probing_;
    Handle reading_;
    // Calls of changes under way, by number.
    std::map<std::uint64_t, Handle> chains_;
    std::uint64_t nextChain_ = 0;
    Timer retry_;
    Handle plasma6Owner_, plasma5Owner_;
    Handle propertiesWatch_;
    Handle lossWatch_;
    Alive alive_;
};

}  // namespace vesperine
