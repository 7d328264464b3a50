#include "Rules/AppRules.h"

#include <gtest/gtest.h>

#include <memory>

#include "Platform/Simulated/MemoryDefaultsStore.h"
#include "Platform/Simulated/SimulatedWorkspace.h"

namespace vesperine {
namespace {

using Effect = ModeResolver::AppRuleEffect;
using Behavior = AppRule::Behavior;

const RunningApplication self{"com.brevan.vesperine", "Vesperine", 100};
const RunningApplication videos{"org.gnome.Totem", "Videos", 101};
const RunningApplication editor{"org.gnome.TextEditor", "Text Editor", 102};
const RunningApplication nameless{std::nullopt, std::nullopt, 103};

class AppRulesTest : public ::testing::Test {
protected:
    // A fresh instance on the same defaults and workspace, as after a restart.
    AppRules& launch() {
        rules.reset();
        rules = std::make_unique<AppRules>(defaults, workspace, self.bundleID.value());
        rules->onChange = [this](std::optional<Effect> effect) { heard.push_back(effect); };
        rules->start();
        return *rules;
    }

    MemoryDefaultsStore defaults;
    SimulatedWorkspace workspace;
    std::unique_ptr<AppRules> rules;
    std::vector<std::optional<Effect>> heard;
};

TEST_F(AppRulesTest, TheApplicationInFrontDecidesTheEffect) {
    workspace.activate(videos);
    launch();  // takes the one in front now
    // The application in front, the effect, the last application not ours, the changes heard.
    using App = std::optional<RunningApplication>;
    const std::tuple<const char*, App, std::optional<Effect>, App, std::size_t> steps[] = {
        {"an application without a rule", editor, std::nullopt, editor, 2},
        {"a default rule's application", videos, Effect::pauseBoost, videos, 3},
        {"our own window keeps the rule", self, Effect::pauseBoost, videos, 3},
        {"no window in front keeps it too", std::nullopt, Effect::pauseBoost, videos, 3},
        {"an application without identity", nameless, std::nullopt, nameless, 4},
    };
    for (const auto& [name, front, effect, lastExternal, calls] : steps) {
        SCOPED_TRACE(name);
        workspace.activate(front);
        EXPECT_EQ(rules->effect().get(), effect);
        EXPECT_EQ(rules->lastExternalApp().get(), lastExternal);
        EXPECT_EQ(heard.size(), calls);
    }
}

TEST_F(AppRulesTest, StoredRulesAreUsedAsStored) {
    const std::tuple<const char*, std::optional<std::string>, std::vector<AppRule>> cases[] = {
        {"nothing stored", std::nullopt, AppRule::defaults()},
        {"an empty list stays empty", "[]", {}},
        {"one rule", R"([{"bundleID":"vlc","name":"VLC","behavior":"pauseAll","x":1}])",
         {{"vlc", "VLC", Behavior::pauseAll}}},
        {"a member missing", R"([{"bundleID":"vlc","behavior":"pauseAll"}])", AppRule::defaults()},
    };
    for (const auto& [name, stored, expected] : cases) {
        SCOPED_TRACE(name);
        defaults.remove("appRules");
        if (stored) defaults.setData("appRules", *stored);
        launch();
        EXPECT_EQ(rules->rules().get(), expected);
        EXPECT_EQ(defaults.data("appRules"), stored);  // bad bytes stay until the next save
    }
    defaults.setData("appRules", "[]");
    launch().restoreDefaults();
    launch();
    EXPECT_EQ(rules->rules().get(), AppRule::defaults());
}

TEST_F(AppRulesTest, FullScreenPausesEverythingUnlessARuleSaysOtherwise) {
    // The setting, the rule, whether the window is full screen, the effect.
    const std::tuple<const char*, bool, std::optional<Behavior>, bool, std::optional<Effect>>
        cases[] = {
        {"setting off", false, std::nullopt, true, std::nullopt},
        {"full screen", true, std::nullopt, true, Effect::pauseAll},
        {"not full screen", true, std::nullopt, false, std::nullopt},
        {"a rule to pause boost wins", true, Behavior::pauseBoost, true, Effect::pauseBoost},
    };
    for (const auto& [name, setting, rule, fullScreen, effect] : cases) {
        SCOPED_TRACE(name);
        defaults.set("pauseWhileFullScreen", setting);
        launch().setRules({});
        if (rule) rules->set(*rule, editor);
        EXPECT_EQ(workspace.followsFullScreen(), setting);
        workspace.activate(editor, fullScreen);
        EXPECT_EQ(rules->effect().get(), effect);
    }
}

TEST_F(AppRulesTest, FullScreenLastsAsLongAsTheWindowTheApplicationAndTheSettingDo) {
    launch().setRules({});
    rules->setPauseWhileFullScreen(true);
    EXPECT_TRUE(defaults.boolean("pauseWhileFullScreen"));
    workspace.activate(editor, true);
    workspace.activate(self);  // our own settings window over it
    workspace.setFullScreen(false);
    workspace.activate(editor, true);
    workspace.setFullScreen(false);
    workspace.setFullScreen(true);
    rules->setPauseWhileFullScreen(false);
    EXPECT_FALSE(workspace.followsFullScreen());
    rules->setPauseWhileFullScreen(true);
    workspace.launch(videos);
    workspace.quit(videos);  // another application
    workspace.activate(self);
    workspace.quit(editor);  // quit behind our own window
    EXPECT_EQ(rules->lastExternalApp().get(), std::nullopt);
    EXPECT_EQ(heard,
              (std::vector<std::optional<Effect>>{Effect::pauseAll, std::nullopt, Effect::pauseAll,
                                                  std::nullopt, Effect::pauseAll, std::nullopt}));
}

}  // namespace
}  // namespace vesperine
