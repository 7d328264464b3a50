#include "Platform/Linux/NightLight/DesktopNightLight.h"

#include <cstdlib>

#include "Platform/Linux/NightLight/GnomeNightLight.h"
#include "Platform/Linux/NightLight/GnomeNightLightTint.h"
#include "Platform/Linux/NightLight/KWinNightLight.h"
#include "Platform/Linux/NightLight/KWinNightLightTint.h"

namespace vesperine {

namespace {

template <class Light>
std::unique_ptr<SystemColourFeature> light(BusConnection* sessionBus, Scheduler& scheduler,
                                           Logger& logger) {
    return std::make_unique<Light>(sessionBus, scheduler, logger);
}

std::unique_ptr<NightLightTint> gnomeTint(const DesktopNightLight::TintServices& services) {
    return std::make_unique<GnomeNightLightTint>(services.defaults, services.logger);
}

std::unique_ptr<NightLightTint> kwinTint(const DesktopNightLight::TintServices& services) {
    return std::make_unique<KWinNightLightTint>(
        services.defaults, services.files, services.sessionBus, services.logger,
        services.configHome + "/kwinrc", KWinNightLightTint::groupFor(std::getenv("KDE_SESSION_VERSION")));
}

}  // namespace

const std::vector<DesktopNightLight::Desktop>& DesktopNightLight::desktops() {
    static const std::vector<Desktop> known = {
        {"GNOME", &light<GnomeNightLight>, &gnomeTint},
        {"KDE", &light<KWinNightLight>, &kwinTint},
    };
    return known;
}

std::unique_ptr<DesktopNightLight> DesktopNightLight::onSessionBus(BusConnection* sessionBus,
                                                                   Scheduler& scheduler,
                                                                   Logger& logger) {
    std::vector<std::unique_ptr<SystemColourFeature>> kinds;
    for (const auto& desktop : desktops()) kinds.push_back(desktop.light(sessionBus, scheduler, logger));
    return std::make_unique<DesktopNightLight>(std::move(kinds), scheduler);
}

std::unique_ptr<NightLightTint> DesktopNightLight::tintOf(std::string_view currentDesktop,
                                                         const TintServices& services) {
    // XDG_CURRENT_DESKTOP is a colon-separated list, most specific first.
    for (std::string_view names = currentDesktop; !names.empty();) {
        const auto colon = names.find(':');
        for (const auto& desktop : desktops()) {
            if (names.substr(0, colon) == desktop.name) return desktop.tint(services);
        }
        if (colon == std::string_view::npos) break;
        names.remove_prefix(colon + 1);
    }
    return nullptr;
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
