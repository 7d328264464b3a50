#include "Updates/Updater.h"

#include <gtest/gtest.h>

#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/MemoryDefaultsStore.h"
#include "Platform/Simulated/SimulatedUpdateController.h"

namespace vesperine {
namespace {

TEST(Updater, OnlyABuildWithFeedAndKeyMakesAControllerAndOnlyOnce) {
    struct Case {
        const char* name;
        ReleaseConfig config;
        bool configured;
    } cases[] = {
        {"this build", ReleaseConfig::current(), false},
        {"feed without key", {"https://example.org/feed.xml", ""}, false},
        {"key without feed", {std::nullopt, "c2lnbmluZyBrZXk="}, false},
        {"feed and key", {"https://example.org/feed.xml", "c2lnbmluZyBrZXk="}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryDefaultsStore defaults;
        CapturingLogger logger;
        int made = 0;
        SimulatedUpdateController* controller = nullptr;
        Updater updater(defaults, logger, c.config, [&](Updater&) {
            ++made;
            auto framework = std::make_unique<SimulatedUpdateController>();
            controller = framework.get();
            return framework;
        });
        EXPECT_EQ(updater.isConfigured(), c.configured);
        updater.start();
        updater.start();
        EXPECT_EQ(made, c.configured ? 1 : 0);
        EXPECT_EQ(updater.checksAutomatically(), c.configured);
        updater.setChecksAutomatically(false);
        updater.checkForUpdates();
        EXPECT_FALSE(updater.checksAutomatically());
        EXPECT_EQ(controller ? controller->checks() : 1, 1);
        EXPECT_EQ(logger.contains("This build doesn't check for updates. New versions are sent "
                                  "directly.",
                                  "install"),
                  !c.configured);
    }
}

TEST(Updater, TheFeedOverrideWinsOverTheBuildsFeed) {
    MemoryDefaultsStore defaults;
    CapturingLogger logger;
    EXPECT_EQ(Updater(defaults, logger).feedURLString(), std::nullopt);
    Updater configured(defaults, logger, {"https://example.org/feed.xml", "key"});
    EXPECT_EQ(configured.feedURLString(), "https://example.org/feed.xml");
    defaults.set("updateFeedOverride", std::string("https://example.org/beta.xml"));
    EXPECT_EQ(configured.feedURLString(), "https://example.org/beta.xml");
    EXPECT_EQ(Updater(defaults, logger).feedURLString(), "https://example.org/beta.xml");
}

}  // namespace
}  // namespace vesperine
