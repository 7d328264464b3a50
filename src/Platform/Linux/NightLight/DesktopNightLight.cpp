#include "Platform/Linux/NightLight/DesktopNightLight.h"

#include "Platform/Linux/NightLight/GnomeNightLight.h"
#include "Platform/Linux/NightLight/KWinNightLight.h"

namespace vesperine {

std::unique_ptr<DesktopNightLight> DesktopNightLight::onSessionBus(BusConnection* sessionBus,
                                                                   Scheduler& scheduler,
                                                                   Logger& logger) {
    std::vector<std::unique_ptr<SystemColourFeature>> kinds;
    kinds.push_back(std::make_unique<GnomeNightLight>(sessionBus, scheduler, logger));
    kinds.push_back(std::make_unique<KWinNightLight>(sessionBus, scheduler, logger));
    return std::make_unique<DesktopNightLight>(std::move(kinds), scheduler);
}

DesktopNightLight::DesktopNightLight(std::vector<std::unique_ptr<SystemColourFeature>> kinds,
                                     Scheduler& scheduler)
    : kinds_(std::move(kinds)), scheduler_(scheduler) {
    for (auto& kind : kinds_) {
        watches_.push_back(kind->observe(alive_.guard([this] { observers_.notify(); })));
    }
}

SystemFeatureStatus DesktopNightLight::status() const {
    auto result = SystemFeatureStatus::unavailable;
    for (const auto& kind : kinds_) {
        const auto status = kind->status();
        if (status == SystemFeatureStatus::on) return status;
        if (status == SystemFeatureStatus::off) result = status;
    }
    return result;
}

void DesktopNightLight::setEnabled(bool enabled, std::function<void(bool)> done) {
    const auto wanted = enabled ? SystemFeatureStatus::on : SystemFeatureStatus::off;
    std::vector<SystemColourFeature*> asked;
    for (auto& kind : kinds_) {
        const auto status = kind->status();
        // Off: every one that is on. On: one is enough, the first that answers.
        if (status == SystemFeatureStatus::unavailable || status == wanted) continue;
        if (enabled && !asked.empty()) continue;
        asked.push_back(kind.get());
    }
    if (asked.empty()) {
        scheduler_.post(alive_.guard([this, done = std::move(done), wanted] {
            if (done) done(status() == wanted);
        }));
        return;
    }
    auto left = std::make_shared<std::size_t>(asked.size());
    auto allHeld = std::make_shared<bool>(true);
    for (auto* kind : asked) {
        kind->setEnabled(enabled, alive_.guard([left, allHeld, done](bool held) {
            *allHeld = *allHeld && held;
            if (--*left == 0 && done) done(*allHeld);
        }));
    }
}

}  // namespace vesperine
