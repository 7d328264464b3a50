#include "Platform/Linux/Files/XdgPaths.h"

#include <glib.h>
#include <unistd.h>

#include <cstdlib>

namespace vesperine {

namespace {

std::string absoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') return {};
    return value;
}

std::string specialDir(GUserDirectory which) {
    const char* folder = g_get_user_special_dir(which);
    return folder != nullptr ? folder : "";
}

}  // namespace

XdgPaths XdgPaths::fromEnvironment() {
    XdgPaths paths;
    paths.home = g_get_home_dir();
    paths.configHome = g_get_user_config_dir();
    paths.dataHome = g_get_user_data_dir();
    paths.cacheHome = g_get_user_cache_dir();
    paths.runtimeDir = absoluteEnv("XDG_RUNTIME_DIR");
    paths.tempDir = absoluteEnv("TMPDIR");
    if (paths.tempDir.empty()) paths.tempDir = "/tmp";
    paths.downloadDir = specialDir(G_USER_DIRECTORY_DOWNLOAD);
    paths.desktopDir = specialDir(G_USER_DIRECTORY_DESKTOP);
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
