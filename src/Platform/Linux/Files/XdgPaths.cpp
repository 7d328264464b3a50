#include "Platform/Linux/Files/XdgPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace vesperine {

namespace {

std::string absoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') return {};
    return value;
}

std::string homeFolder() {
    std::string home = absoluteEnv("HOME");
    if (!home.empty()) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return "/tmp";
}

}  // namespace

XdgPaths XdgPaths::fromEnvironment() {
    XdgPaths paths;
    paths.home = homeFolder();
    paths.configHome = absoluteEnv("XDG_CONFIG_HOME");
    if (paths.configHome.empty()) paths.configHome = paths.home + "/.config";
    paths.dataHome = absoluteEnv("XDG_DATA_HOME");
    if (paths.dataHome.empty()) paths.dataHome = paths.home + "/.local/share";
    paths.cacheHome = absoluteEnv("XDG_CACHE_HOME");
    if (paths.cacheHome.empty()) paths.cacheHome = paths.home + "/.cache";
    paths.runtimeDir = absoluteEnv("XDG_RUNTIME_DIR");
    paths.tempDir = absoluteEnv("TMPDIR");
    if (paths.tempDir.empty()) paths.tempDir = "/tmp";
    return paths;
}

std::string XdgPaths::defaultsFile(const std::string& bundleId) const {
    return configHome + "/" + bundleId + "/defaults.json";
}

std::string XdgPaths::applicationSupport(const std::string& bundleId) const {
    return dataHome + "/" + bundleId;
}

std::vector<std::string> XdgPaths::runtimeFolders(const std::string& bundleId) const {
    std::vector<std::string> folders;
    if (!runtimeDir.empty()) folders.push_back(runtimeDir);
    // The uid in the name: another user who made this name first only pushes us to the next.
    folders.push_back(tempDir + "/" + bundleId + "-" + std::to_string(::geteuid()));
    folders.push_back(cacheHome + "/" + bundleId);
    return folders;
}

}  // namespace vesperine
