#include "App/AppInfo.h"

namespace vesperine {

AppInfo AppInfo::withFallbacks(AppInfo info) {
    if (info.displayName.empty()) info.displayName = defaultDisplayName;
    if (info.bundleIdentifier.empty()) info.bundleIdentifier = defaultBundleIdentifier;
    return info;
}

AppInfo AppInfo::current() {
    return withFallbacks(AppInfo{defaultDisplayName, defaultBundleIdentifier, VESPERINE_VERSION,
                                 VESPERINE_BUILD});
}

}  // namespace vesperine
