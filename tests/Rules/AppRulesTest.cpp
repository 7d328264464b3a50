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

std::vector<std::string> names(const std::vector<AppRule>& rules) {
    std::vector<std::string> out;
    for (const auto& rule : rules) out.push_back(rule.name);
    return out;
}

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

TEST_F(AppRulesTest, AddingARuleSortsByNameChangingOneKeepsItsPlace) {
    launch();
    // Same name up to case: stays after the one already there. Case does not order either.
    rules->set(Behavior::pauseAll, "org.example.Videos", "videos");
    rules->set(Behavior::pauseBoost, RunningApplication{"darktable", std::nullopt, 7});
    rules->set(Behavior::pauseBoost, nameless);  // no identity: no rule
    EXPECT_EQ(names(rules->rules()),
              (std::vector<std::string>{"Celluloid", "darktable", "mpv Media Player", "Shotwell",
                                        "Videos", "videos", "VLC media player"}));
    rules->set(Behavior::pauseAll, "vlc", "Another name");
    EXPECT_EQ(rules->rules()->back(), (AppRule{"vlc", "VLC media player", Behavior::pauseAll}));
    launch();  // all of it was saved
    EXPECT_EQ(rules->rules()->size(), 7u);
    EXPECT_EQ(rules->rule("vlc")->behavior, Behavior::pauseAll);
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

TEST_F(AppRulesTest, DuplicatesTheFirstCountsRemoveTakesAllOnlyChangesArePublished) {
    launch();
    workspace.activate(editor);
    rules->setRules({{"org.gnome.TextEditor", "Text Editor", Behavior::pauseAll},
                     {"vlc", "VLC", Behavior::pauseBoost},
                     {"org.gnome.TextEditor", "Text Editor", Behavior::pauseBoost}});
    EXPECT_EQ(rules->effect().get(), std::nullopt);  // the setter does not recompute
    rules->set(Behavior::pauseBoost, "vlc", "VLC");  // recomputes: the first rule counts
    rules->set(Behavior::pauseBoost, "mpv", "mpv");  // another application's rule: no change
    rules->remove("org.gnome.TextEditor");
    EXPECT_EQ(rules->rules().get(), (std::vector<AppRule>{{"mpv", "mpv", Behavior::pauseBoost},
                                                          {"vlc", "VLC", Behavior::pauseBoost}}));
    EXPECT_EQ(heard, (std::vector<std::optional<Effect>>{Effect::pauseAll, std::nullopt}));
}

TEST_F(AppRulesTest, FullScreenPausesEverythingUnlessARuleSaysOtherwise) {
    // The setting, the rule, whether the window is full screen, the effect.
    const std::tuple<const char*, bool, std::optional<Behavior>, bool, std::optional<Effect>>
        cases[] = {
        {"setting off", false, std::nullopt, true, std::nullopt},
        {"full screen", true, std::nullopt, true, Effect::pauseAll},
        {"not full screen", true, std::nullopt, false, std::nullopt},
        {"a rule to pause boost wins", true, Behavior::pauseBoost, true, Effect::pauseBoost},
        {"a rule without full screen", true, Behavior::pauseAll, false, Effect::pauseAll},
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

// What "Add Running App" offers: never this program, an application that has a rule (Videos
// has a default one) or one without an identity; each identity once; by name, ignoring case.
TEST_F(AppRulesTest, RunningApplicationsARuleCanBeAddedFor) {
    AppRules& list = launch();
    const RunningApplication second{"org.gnome.Totem", "Videos", 200}, unnamed{"xterm", {}, 201},
        lower{"org.x.alpha", "alpha", 202};
    const auto addable =
        list.addable({self, editor, nameless, videos, unnamed, second, lower, {"", "Empty", 3}});
    std::vector<std::string> ids;
    for (const auto& application : addable) ids.push_back(*application.bundleID);
    EXPECT_EQ(ids, (std::vector<std::string>{"org.x.alpha", "org.gnome.TextEditor", "xterm"}));
    list.set(Behavior::pauseAll, editor);
    EXPECT_TRUE(list.addable({editor}).empty());
}

}  // namespace
}  // namespace vesperine
