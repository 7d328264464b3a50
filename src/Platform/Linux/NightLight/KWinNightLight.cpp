#include "Platform/Linux/NightLight/KWinNightLight.h"

#include <systemd/sd-bus.h>

namespace vesperine {

const KWinNightLight::Interface KWinNightLight::plasma6{
    "org.kde.KWin.NightLight", "/org/kde/KWin/NightLight", "org.kde.KWin.NightLight"};
const KWinNightLight::Interface KWinNightLight::plasma5{"org.kde.KWin", "/ColorCorrect",
                                                        "org.kde.kwin.ColorCorrect"};

KWinNightLight::KWinNightLight(BusConnection* sessionBus, Scheduler& scheduler, Logger& logger,
                               Duration timeout)
    : scheduler_(scheduler), log_(logger, "conflicts"),
      kwin_(sessionBus, scheduler, log_, "KDE's Night Light", {plasma6, plasma5},
            [this](const BusProperties::Map& properties, bool all) { return take(properties, all); },
            [this] {
                if (kwin_.state() == BusServiceReader::State::absent) cookies_.clear();
                changed();
            },
            {timeout}) {
    last_ = status();
}

KWinNightLight::~KWinNightLight() = default;

SystemFeatureStatus KWinNightLight::status() const {
    switch (kwin_.state()) {
        case BusServiceReader::State::unknown: return SystemFeatureStatus::off;  // not answered yet
        case BusServiceReader::State::absent:
        case BusServiceReader::State::broken: return SystemFeatureStatus::unavailable;
        case BusServiceReader::State::present: break;
    }
    if (!available_) return SystemFeatureStatus::unavailable;
    return enabled_ && !inhibited_ ? SystemFeatureStatus::on : SystemFeatureStatus::off;
}

Status KWinNightLight::take(const BusProperties::Map& properties, bool all) {
    const Interface& interface = *kwin_.chosen();
    auto values = BusProperties::booleans(properties, {"available", "enabled", "inhibited"});
    if (!values) return Error{interface.interface + " answered oddly: " + values.error().description};
    if (all && values->size() != 3) {
        return Error{interface.interface + " lacks one of available, enabled and inhibited"};
    }
    if (cookiesFrom_ != interface.service) {
        cookies_.clear();  // inhibitions belong to the KWin that gave them
        cookiesFrom_ = interface.service;
    }
    for (auto [name, field] : {std::pair{"available", &available_}, std::pair{"enabled", &enabled_},
                               std::pair{"inhibited", &inhibited_}}) {
        if (auto it = values->find(name); it != values->end()) *field = it->second;
    }
    return success();
}

void KWinNightLight::changed() {
    const auto now = status();
    if (now == last_) return;
    last_ = now;
    observers_.notify();
}

void KWinNightLight::setEnabled(bool enabled, std::function<void(bool)> done) {
    const auto wanted = enabled ? SystemFeatureStatus::on : SystemFeatureStatus::off;
    const auto now = status();
    if (now == SystemFeatureStatus::unavailable || !kwin_.chosen() || now == wanted ||
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
    auto reread = [this, id, finish] { chains_[id] = kwin_.reread(finish); };
    if (!enabled) {
        chains_[id] = kwin_.call(
            "inhibit", nullptr,
            alive_.guard([this, reread](sd_bus_message* reply, const std::string& error) {
                std::uint32_t cookie = 0;
                if (!error.empty() || sd_bus_message_read(reply, "u", &cookie) < 0) {
                    log_.write(LogLevel::error, "KDE's Night Light could not be inhibited: " + error);
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
        chains_[own] = kwin_.call(
            "uninhibit", [cookie](sd_bus_message* m) { return sd_bus_message_append(m, "u", cookie); },
            alive_.guard([this, own, left, reread](sd_bus_message*, const std::string& error) {
                chains_.erase(own);
                if (!error.empty()) {
                    log_.write(LogLevel::error, "KDE's Night Light could not be uninhibited: " + error);
                }
                if (--*left == 0) reread();
            }));
    }
}

void KWinNightLight::answerLater(std::function<void(bool)> done, bool inState) {
    scheduler_.post(alive_.guard([done = std::move(done), inState] {
        if (done) done(inState);
    }));
}

}  // namespace vesperine
