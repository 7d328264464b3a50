#pragma once

#include <string>
#include <vector>

namespace vesperine {

// The XDG base directories for the current user: $XDG_CONFIG_HOME (else ~/.config),
// $XDG_DATA_HOME (else ~/.local/share), $XDG_CACHE_HOME (else ~/.cache), $XDG_RUNTIME_DIR
// (else none). A relative value in a variable is ignored, as the base-directory rules require.
struct XdgPaths {
    std::string home;        // $HOME, else the password database's, else /tmp
    std::string configHome;
    std::string dataHome;
    std::string cacheHome;
    std::string runtimeDir;  // empty when unset
    std::string tempDir;     // $TMPDIR, else /tmp

    static XdgPaths fromEnvironment();

    // "<configHome>/<bundleId>/defaults.json"
    std::string defaultsFile(const std::string& bundleId) const;
    // "<dataHome>/<bundleId>" (the application-support folder)
    std::string applicationSupport(const std::string& bundleId) const;
    // Where files for this login only (a lock, a socket) may live, best first: $XDG_RUNTIME_DIR,
    // then "<tempDir>/<bundleId>-<uid>", then "<cacheHome>/<bundleId>". The user of each must
    // still check that it is private before trusting it: the temp folder is shared, and the
    // variable may name any folder.
    std::vector<std::string> runtimeFolders(const std::string& bundleId) const;
};

}  // namespace vesperine
