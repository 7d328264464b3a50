#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Platform/DefaultsStore.h"
#include "Platform/Workspace.h"
#include "Rules/AppRule.h"
#include "State/ModeResolver.h"
#include "Support/Alive.h"
#include "Support/Observable.h"

namespace vesperine {

// The user's rules for applications in front: keeps the list (saved after every change),
// follows which application is in front and publishes the effect of its rule. Main loop
// only. The defaults store and the workspace are borrowed and must outlive the rules.
//
// Besides the rules, one setting: while "pauseWhileFullScreen" is on, a window in front that
// covers its screen (a film, a game, a photo shown full screen) counts as a "Pause
// everything" rule for as long as it does, unless a rule for its application says otherwise.
class AppRules {
public:
    // The rules, as a JSON array of {"bundleID", "name", "behavior"} objects.
    static constexpr const char* defaultsKey = "appRules";
    // A Bool; absent means off.
    static constexpr const char* fullScreenKey = "pauseWhileFullScreen";

    // Reads the stored rules: used unchanged when present and decodable (an empty list stays
    // empty), else the defaults. `ownBundleID` is this program's identity: its own windows
    // in front never lift or apply a rule. Observes nothing yet.
    AppRules(DefaultsStore& defaults, Workspace& workspace, std::string ownBundleID);
    AppRules(const AppRules&) = delete;
    AppRules& operator=(const AppRules&) = delete;

    const Observable<std::vector<AppRule>>& rules() const { return rules_; }
    // Stores and saves the list; the effect is not recomputed.
    void setRules(std::vector<AppRule> rules);
    // The latest application in front that is not this program; none before the first.
    const Observable<std::optional<RunningApplication>>& lastExternalApp() const {
        return lastExternalApp_;
    }
    // What the rule of that application asks for; absent when no rule applies.
    const Observable<std::optional<ModeResolver::AppRuleEffect>>& effect() const { return effect_; }

    const Observable<bool>& pauseWhileFullScreen() const { return pauseWhileFullScreen_; }
    // Saves the setting and applies it at once.
    void setPauseWhileFullScreen(bool on);
    // Takes in the stored rules and full-screen setting again (a hand edit of the defaults)
    // and applies them, without writing them.
    void reloadStored();

    // Called with every new effect. Set by the owner before start().
    std::function<void(std::optional<ModeResolver::AppRuleEffect>)> onChange;

    // Follows the front application from now on, starting with the one in front now.
    // Called once at start-up, after onChange is set.
    void start();

    // The first rule for `bundleID`; none when it is absent or has no rule.
    std::optional<AppRule> rule(const std::optional<std::string>& bundleID) const;
    // A rule for a running application: does nothing when it has no identity; without a name
    // the identity stands for it.
    void set(AppRule::Behavior behavior, const RunningApplication& application);
    // Changes the behaviour of the application's rule (its name and place stay), or adds a
    // rule and sorts the list by name (localized, case-insensitive, stable).
    void set(AppRule::Behavior behavior, const std::string& bundleID, const std::string& name);
    // The running applications a rule can be added for: those with an identity that is not
    // this program's and has no rule yet, once per identity, sorted by name (localized,
    // case-insensitive; the identity stands for a missing name).
    std::vector<RunningApplication> addable(const std::vector<RunningApplication>& running) const;
    // Removes every rule for `bundleID`; the rest keep their order.
    void remove(const std::string& bundleID);
    // Back to the default rules (saved).
    void restoreDefaults();

private:
    void frontmostChanged(const Workspace::Frontmost& frontmost);
    void applicationQuit(const RunningApplication& application);
    void recompute();
    void save();

    DefaultsStore& defaults_;
    Workspace& workspace_;
    std::string ownBundleID_;
    Observable<std::vector<AppRule>> rules_;
    Observable<std::optional<RunningApplication>> lastExternalApp_;
    bool lastExternalFullScreen_ = false;
    Observable<std::optional<ModeResolver::AppRuleEffect>> effect_;
    Observable<bool> pauseWhileFullScreen_;
    bool started_ = false;
    Subscription frontmostObserver_;
    Handle quitObserver_;
    Alive alive_;
};

}  // namespace vesperine
