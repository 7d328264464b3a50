#include "Updates/Updater.h"

namespace vesperine {

Updater::Updater(DefaultsStore& defaults, Logger& logger, ReleaseConfig config,
                 ControllerFactory makeController)
    : defaults_(defaults),
      log_(logger, "install"),
      config_(std::move(config)),
      makeController_(std::move(makeController)) {}

bool Updater::isConfigured(const ReleaseConfig& config) {
    return config.updateFeedURL.has_value() && !config.publicEDKey.empty();
}

void Updater::start() {
    if (!isConfigured() || controller_ || !makeController_) return;
    controller_ = makeController_(*this);
}

bool Updater::checksAutomatically() const {
    return controller_ && controller_->automaticallyChecksForUpdates();
}

void Updater::setChecksAutomatically(bool checks) {
    if (controller_) controller_->setAutomaticallyChecksForUpdates(checks);
}

void Updater::checkForUpdates() {
    if (controller_) {
        controller_->checkForUpdates();
    } else {
        log_.notice("This build doesn't check for updates. New versions are sent directly.");
    }
}

std::optional<std::string> Updater::feedURLString() const {
    if (auto feed = defaults_.string(feedOverrideKey)) return feed;
    return config_.updateFeedURL;
}

}  // namespace vesperine
