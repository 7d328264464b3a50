#include "Updates/Updater.h"

#include <gtest/gtest.h>

#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/MemoryDefaultsStore.h"
#include "Platform/Simulated/SimulatedUpdateController.h"

namespace vesperine {
namespace {

TEST(Updater, OnlyABuildWithFeedAndKeyMakesAControllerAndOnlyOnce) {
    const std::string feed = "https://example.org/feed.xml";
    for (const ReleaseConfig& config :
         {ReleaseConfig::current(), ReleaseConfig{feed, ""}, ReleaseConfig{feed, "key"}}) {
        const bool configured = config.updateFeedURL && !config.publicEDKey.empty();
        MemoryDefaultsStore defaults;
        CapturingLogger logger;
        int made = 0;
        SimulatedUpdateController* controller = nullptr;
        Updater updater(defaults, logger, config, [&](Updater&) {
            ++made;
            auto framework = std::make_unique<SimulatedUpdateController>();
            controller = framework.get();
            return framework;
        });
        updater.start();
        updater.start();
        EXPECT_EQ(made, configured ? 1 : 0);
        EXPECT_EQ(updater.checksAutomatically(), configured);
        updater.checkForUpdates();
        EXPECT_EQ(controller ? controller->checks() : 1, 1);
        EXPECT_EQ(logger.contains("This build doesn't check for updates."), !configured);
        // The override wins over the build's feed.
        defaults.set("updateFeedOverride", std::string("https://example.org/beta.xml"));
        EXPECT_EQ(updater.feedURLString(), "https://example.org/beta.xml");
    }
}

}  // namespace
}  // namespace vesperine
