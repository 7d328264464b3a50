#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Platform/DefaultsStore.h"
#include "Platform/Logger.h"
#include "Platform/UpdateController.h"
#include "Updates/ReleaseConfig.h"

namespace vesperine {

// Checks for new versions when the build is configured for it (a feed and a signing key);
// otherwise does nothing, and the settings say that new versions are sent directly.
// Main loop only.
class Updater {
public:
    // Makes the framework's controller, started at once, with this updater as the one it asks
    // for the feed. None where no framework exists.
    using ControllerFactory = std::function<std::unique_ptr<UpdateController>(Updater&)>;

    static constexpr const char* feedOverrideKey = "updateFeedOverride";

    Updater(DefaultsStore& defaults, Logger& logger,
            ReleaseConfig config = ReleaseConfig::current(), ControllerFactory makeController = {});

    // The feed URL is present and the signing key is non-empty text.
    static bool isConfigured(const ReleaseConfig& config);
    bool isConfigured() const { return isConfigured(config_); }

    // Makes the controller when the build is configured and none exists yet.
    void start();
    UpdateController* controller() const { return controller_.get(); }

    // The controller's setting; false, and writes ignored, without one.
    bool checksAutomatically() const;
    void setChecksAutomatically(bool checks);
    // Checks now ("--check-for-updates", the settings' button); without a controller only
    // says so in the log.
    void checkForUpdates();

    // The feed the framework reads: "updateFeedOverride" when set, else the build's feed URL,
    // else none.
    std::optional<std::string> feedURLString() const;

private:
    DefaultsStore& defaults_;
    Log log_;
    ReleaseConfig config_;
    ControllerFactory makeController_;
    std::unique_ptr<UpdateController> controller_;
};

}  // namespace vesperine
