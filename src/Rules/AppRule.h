#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "State/ModeResolver.h"
#include "Support/Json.h"

namespace vesperine {

// What to pause while one application is in front. Its identity in a list is `bundleID`.
struct AppRule {
    enum class Behavior { pauseBoost, pauseAll };

    std::string bundleID;  // matched exactly, case-sensitive (a desktop-file id on Linux)
    std::string name;      // shown to the user
    Behavior behavior = Behavior::pauseBoost;

    bool operator==(const AppRule&) const = default;

    // The rules a first start gets: common video and photo applications, boost paused.
    static std::vector<AppRule> defaults();
};

// Stored text ("pauseBoost", "pauseAll") and label ("Pause boost", "Pause everything").
const char* rawValue(AppRule::Behavior behavior);
std::optional<AppRule::Behavior> appRuleBehaviorFromRawValue(std::string_view raw);
const char* label(AppRule::Behavior behavior);
// The effect a rule of this behaviour publishes.
ModeResolver::AppRuleEffect effectOf(AppRule::Behavior behavior);

// {"bundleID": "vlc", "name": "VLC media player", "behavior": "pauseBoost"}; other members
// are ignored.
template <>
struct JsonCodec<AppRule> {
    static Json encode(const AppRule& rule);
    static Result<AppRule> decode(const Json& json);
};

// A JSON array of rules; one rule that does not decode fails the whole list.
template <>
struct JsonCodec<std::vector<AppRule>> {
    static Json encode(const std::vector<AppRule>& rules);
    static Result<std::vector<AppRule>> decode(const Json& json);
};

}  // namespace vesperine
