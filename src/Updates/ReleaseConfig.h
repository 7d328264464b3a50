#pragma once

#include <optional>
#include <string>

namespace vesperine {

// What a release build says about updates. Their presence decides whether the program checks
// for updates at all; this build sets neither: the distribution delivers new versions.
struct ReleaseConfig {
    std::optional<std::string> updateFeedURL;
    std::string publicEDKey;  // the key the feed's updates are signed with

    static ReleaseConfig current() { return {}; }
};

}  // namespace vesperine
