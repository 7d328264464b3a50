#include "Platform/Linux/NightLight/KWinNightLight.h"

#include <systemd/sd-bus.h>

#include "Platform/Linux/DBus/BusProperties.h"

namespace vesperine {

const KWinNightLight::Interface KWinNightLight::plasma6{
    "org.kde.KWin.NightLight", "/org/kde/KWin/NightLight", "org.kde.KWin.NightLight"};
const KWinNightLight::Interface KWinNightLight::plasma5{"org.kde.KWin", "/ColorCorrect",
                                                        "org.kde.kwin.ColorCorrect"};

namespace {
const KWinNightLight::Interface* const candidates[] = {&KWinNightLight::plasma6, &KWinNightLight::plasma5};
}  // namespace

KWinNightLight::KWinNightLight(BusConnection* sessionBus, Scheduler& scheduler, Logger& logger,
                               Duration timeout)
    : bus_(sessionBus), scheduler_(scheduler), log_(logger, "conflicts"), timeout_(timeout) {
    if (!bus_) {
        state_ = State::absent;
        last_ = SystemFeatureStatus::unavailable;
        return;
    }
    // KWin may start after us, restart, or be replaced by another version: ask again.
    plasma6Owner_ = bus_->watchNameOwner(plasma6.service, alive_.guard([this](bool) { probe(); }));
    plasma5Owner_ = bus_->watchNameOwner(plasma5.service, alive_.guard([this](bool) { probe(); }));
    lossWatch_ = bus_->observeLoss(alive_.guard([this] {
        logOnce("Lost the session bus; KDE's Night Light is no longer read");
        absent();
    }));
    probe();
}

KWinNightLight::~KWinNightLight() = default;

SystemFeatureStatus KWinNightLight::status() const {
    switch (state_) {
        case State::unknown: return SystemFeatureStatus::off;  // not answered yet
        case State::absent:
        case State::broken: return SystemFeatureStatus::unavailable;
        case State::present: break;
    }
    if (!available_) return SystemFeatureStatus::unavailable;
    return enabled_ && !inhibited_ ? SystemFeatureStatus::on : SystemFeatureStatus::off;
}

void KWinNightLight::probe() {
    retry_.cancel();
    ask(0);
}

// Asks whether the candidate's name has an owner: that never starts a service by
// activation, and tells "not this desktop" (silent) from "broken" (logged).
void KWinNightLight::ask(std::size_t candidate) {
    if (candidate >= std::size(candidates)) {
        absent();
        return;
    }
    const Interface& interface = *candidates[candidate];
    probing_ = bus_->call(
        {"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner"},
        [service = interface.service](sd_bus_message* m) {
            return sd_bus_message_append(m, "s", service.c_str());
        },
        alive_.guard([this, candidate, &interface](sd_bus_message* reply, const std::string& error) {
            int has = 0;
            if (!error.empty() || sd_bus_message_read(reply, "b", &has) < 0) {
                broken("the bus could not say whether " + interface.service + " runs: " + error);
            } else if (has) {
                choose(interface);
            } else {
                ask(candidate + 1);
            }
        }),
        timeout_);
}

void KWinNightLight::choose(const Interface& interface) {
    if (!chosen_ || chosen_->service != interface.service) {
        chosen_ = interface;
        cookies_.clear();  // inhibitions belong to the KWin that gave them
        propertiesWatch_ = bus_->watchProperties(
            {interface.service, interface.path, interface.interface, ""},
            alive_.guard([this, interface](sd_bus_message* m) {
                if (state_ == State::present) take(m, interface, false);
            }));
    }
    reading_ = readAll(nullptr);
}

Handle KWinNightLight::readAll(std::function<void()> then) {
    if (!chosen_) {  // KWin went away meanwhile: nothing to read
        scheduler_.post(alive_.guard([then = std::move(then)] {
            if (then) then();
        }));
        return {};
    }
    const Interface interface = *chosen_;
    return bus_->call(
        {interface.service, interface.path, "org.freedesktop.DBus.Properties", "GetAll"},
        [name = interface.interface](sd_bus_message* m) {
            return sd_bus_message_append(m, "s", name.c_str());
        },
        alive_.guard([this, interface, then = std::move(then)](sd_bus_message* reply,
                                                                const std::string& error) {
            // An answer from a KWin no longer in use is not taken.
            if (chosen_ && chosen_->service == interface.service) {
                if (!error.empty()) {
                    broken(interface.interface + " did not answer: " + error);
                } else {
                    take(reply, interface, true);
                }
            }
            if (then) then();
        }),
        timeout_);
}

void KWinNightLight::take(sd_bus_message* dictionary, const Interface& interface, bool all) {
    auto values = BusProperties::readBooleans(dictionary, {"available", "enabled", "inhibited"});
    if (!values) {
        broken(interface.interface + " answered oddly: " + values.error().description);
        return;
    }
    if (all && values->size() != 3) {
        broken(interface.interface + " lacks one of available, enabled and inhibited");
        return;
    }
    for (auto [name, field] : {std::pair{"available", &available_}, std::pair{"enabled", &enabled_},
                               std::pair{"inhibited", &inhibited_}}) {
        if (auto it = values->find(name); it != values->end()) *field = it->second;
    }
    state_ = State::present;
    changed();
}

void KWinNightLight::absent() {
    probing_.cancel();
    reading_.cancel();
    retry_.cancel();
    propertiesWatch_.cancel();
    chosen_.reset();
    cookies_.clear();
    state_ = State::absent;
    changed();
}

void KWinNightLight::broken(const std::string& cause) {
    logOnce("KDE's Night Light can't be read: " + cause);
    state_ = State::broken;
    retry_ = scheduler_.oneShot(retryDelay, alive_.guard([this] { probe(); }));
    changed();
}

void KWinNightLight::changed() {
    const auto now = status();
    if (now == last_) return;
    last_ = now;
    observers_.notify();
}

BusConnection::Member KWinNightLight::method(const char* name) const {
    return {chosen_->service, chosen_->path, chosen_->interface, name};
}

void KWinNightLight::setEnabled(bool enabled, std::function<void(bool)> done) {
    const auto wanted = enabled ? SystemFeatureStatus::on : SystemFeatureStatus::off;
    const auto now = status();
    if (now == SystemFeatureStatus::unavailable || !chosen_ || now == wanted ||
        (enabled && cookies_.empty())) {
        // Nothing to do, or nothing we may undo: an inhibition of someone else's, or the
        // user's own setting, is not ours to lift.
        answerLater(std::move(done), now == wanted);
        return;
    }
    // Each change is the call, then a fresh read, then the answer; its calls are kept apart
    // from the background reads, so a probe never swallows an answer.
    const auto id = ++nextChain_;
    auto finish = alive_.guard([this, id, done, wanted] {
        chains_.erase(id);
        if (done) done(status() == wanted);
    });
    auto reread = [this, id, finish] { chains_[id] = readAll(finish); };
    if (!enabled) {
        chains_[id] = request(
            "inhibit", nullptr,
            alive_.guard([this, reread](sd_bus_message* reply, const std::string& error) {
                std::uint32_t cookie = 0;
                if (!error.empty() || sd_bus_message_read(reply, "u", &cookie) < 0) {
                    logOnce("KDE's Night Light could not be inhibited: " + error);
                } else {
                    cookies_.push_back(cookie);
                }
                reread();
            }));
        return;
    }
    // Lifts every inhibition of ours, then reads.
    auto cookies = std::exchange(cookies_, {});
    auto left = std::make_shared<std::size_t>(cookies.size());
    for (std::uint32_t cookie : cookies) {
        const auto own = ++nextChain_;
        chains_[own] = request(
            "uninhibit", [cookie](sd_bus_message* m) { return sd_bus_message_append(m, "u", cookie); },
            alive_.guard([this, own, left, reread](sd_bus_message*, const std::string& error) {
                chains_.erase(own);
                if (!error.empty()) logOnce("KDE's Night Light could not be uninhibited: " + error);
                if (--*left == 0) reread();
            }));
    }
}

Handle KWinNightLight::request(const char* name, const BusConnection::Writer& arguments,
                               BusConnection::ReplyHandler onReply) {
    return bus_->call(method(name), arguments, std::move(onReply), timeout_);
}

void KWinNightLight::answerLater(std::function<void(bool)> done, bool inState) {
    scheduler_.post(alive_.guard([done = std::move(done), inState] {
        if (done) done(inState);
    }));
}

void KWinNightLight::logOnce(const std::string& message) {
    if (message == lastLogged_) return;
    lastLogged_ = message;
    log_.error("%s", message.c_str());
}

}  // namespace vesperine
