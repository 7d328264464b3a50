#pragma once

#include <string>

namespace vesperine {

// Who the program is. The bundle identifier names the log subsystem and the folders the
// program keeps its files in.
struct AppInfo {
    std::string displayName;
    std::string bundleIdentifier;
    std::string version;
    std::string build;

    static constexpr const char* defaultDisplayName = "Vesperine";
    static constexpr const char* defaultBundleIdentifier = "com.brevan.vesperine";

    // The program's own identity, as built.
    static AppInfo current();
    // Fills in the fallbacks for empty fields.
    static AppInfo withFallbacks(AppInfo info);
};

}  // namespace vesperine
