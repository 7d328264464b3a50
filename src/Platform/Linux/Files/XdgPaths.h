#pragma once

#include <string>
#include <vector>

namespace vesperine {

// The XDG base directories for the current user as GLib reads them for every program of the
// session: $XDG_CONFIG_HOME (else ~/.config), $XDG_DATA_HOME (else ~/.local/share),
// $XDG_CACHE_HOME (else ~/.cache). $XDG_RUNTIME_DIR is taken only from the variable, and
// only as an absolute path: runtimeFolders() chooses what stands in for it (GLib would put
// the cache folder in its place).
struct XdgPaths {
    std::string home;  // $HOME, else the password database's
    std::string configHome;
    std::string dataHome;
    std::string cacheHome;
    std::string runtimeDir;  // empty when unset
    std::string tempDir;     // $TMPDIR when absolute, else /tmp
    // The user's named folders (user-dirs.dirs, in the user's language); empty when none.
    std::string downloadDir;
    std::string desktopDir;

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
