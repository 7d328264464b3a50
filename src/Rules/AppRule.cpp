#include "Rules/AppRule.h"

namespace vesperine {

std::vector<AppRule> AppRule::defaults() {
    // By the desktop-file ids their Debian packages install: the desktop's own video player,
    // a lean player, a photo library, a front end of that lean player, and the most common
    // player of all. Boost past white makes films and photos look wrong.
    return {
        {"org.gnome.Totem", "Videos", Behavior::pauseBoost},
        {"mpv", "mpv Media Player", Behavior::pauseBoost},
        {"shotwell", "Shotwell", Behavior::pauseBoost},
        {"io.github.celluloid_player.Celluloid", "Celluloid", Behavior::pauseBoost},
        {"vlc", "VLC media player", Behavior::pauseBoost},
    };
}

const char* rawValue(AppRule::Behavior behavior) {
    return behavior == AppRule::Behavior::pauseAll ? "pauseAll" : "pauseBoost";
}

std::optional<AppRule::Behavior> appRuleBehaviorFromRawValue(std::string_view raw) {
    if (raw == "pauseBoost") return AppRule::Behavior::pauseBoost;
    if (raw == "pauseAll") return AppRule::Behavior::pauseAll;
    return std::nullopt;
}

const char* label(AppRule::Behavior behavior) {
    return behavior == AppRule::Behavior::pauseAll ? "Pause everything" : "Pause boost";
}

ModeResolver::AppRuleEffect effectOf(AppRule::Behavior behavior) {
    return behavior == AppRule::Behavior::pauseAll ? ModeResolver::AppRuleEffect::pauseAll
                                                   : ModeResolver::AppRuleEffect::pauseBoost;
}

Json JsonCodec<AppRule>::encode(const AppRule& rule) {
    return Json{
        {"bundleID", rule.bundleID}, {"name", rule.name}, {"behavior", rawValue(rule.behavior)}};
}

Result<AppRule> JsonCodec<AppRule>::decode(const Json& json) {
    auto bundleID = json::string(json, "bundleID");
    if (!bundleID) return bundleID.error();
    auto name = json::string(json, "name");
    if (!name) return name.error();
    auto raw = json::string(json, "behavior");
    if (!raw) return raw.error();
    auto behavior = appRuleBehaviorFromRawValue(*raw);
    if (!behavior) {
        return Error{"Cannot initialize AppRule.Behavior from invalid String value " + *raw + "."};
    }
    return AppRule{std::move(bundleID).value(), std::move(name).value(), *behavior};
}

Json JsonCodec<std::vector<AppRule>>::encode(const std::vector<AppRule>& rules) {
    Json array = Json::array();
    for (const auto& rule : rules) array.push_back(JsonCodec<AppRule>::encode(rule));
    return array;
}

Result<std::vector<AppRule>> JsonCodec<std::vector<AppRule>>::decode(const Json& json) {
    if (!json.is_array()) return Error{"Expected an array of app rules."};
    std::vector<AppRule> rules;
    for (const auto& item : json) {
        auto rule = JsonCodec<AppRule>::decode(item);
        if (!rule) return rule.error();
        rules.push_back(std::move(rule).value());
    }
    return rules;
}

}  // namespace vesperine
