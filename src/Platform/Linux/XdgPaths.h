#pragma once

#include <string>

namespace vesperine {

// The XDG base directories for the current user: $XDG_CONFIG_HOME (else ~/.config),
// $XDG_DATA_HOME (else ~/.local/share), $XDG_RUNTIME_DIR (else the temp folder). A relative
// value in a variable is ignored, as the base-directory rules require.
struct XdgPaths {
    std::string configHome;
    std::string dataHome;
    std::string runtimeDir;

    static XdgPaths fromEnvironment();

    // "<configHome>/<bundleId>/defaults.json"
    std::string defaultsFile(const std::string& bundleId) const;
    // "<dataHome>/<bundleId>" (the application-support folder)
    std::string applicationSupport(const std::string& bundleId) const;
};

}  // namespace vesperine
