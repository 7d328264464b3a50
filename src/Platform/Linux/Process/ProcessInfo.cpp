#include "Platform/Linux/Process/ProcessInfo.h"

#include <unistd.h>

#include <fstream>
#include <string_view>

namespace vesperine::ProcessInfo {

std::optional<std::string> executableName(std::int64_t pid) {
    if (pid <= 0) return std::nullopt;
    const std::string folder = "/proc/" + std::to_string(pid);
    char target[4096];
    const ssize_t length = ::readlink((folder + "/exe").c_str(), target, sizeof target - 1);
    if (length > 0) {
        std::string_view path(target, static_cast<std::size_t>(length));
        // A program replaced on disk while it runs (an upgrade) is still itself.
        constexpr std::string_view deleted = " (deleted)";
        if (path.ends_with(deleted)) path.remove_suffix(deleted.size());
        const auto slash = path.rfind('/');
        std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
        if (!name.empty()) return name;
    }
    // Another user's process: its executable link is closed to us, its command name is not.
    std::ifstream comm(folder + "/comm");
    std::string name;
    if (!std::getline(comm, name) || name.empty()) return std::nullopt;
    return name;
}

}  // namespace vesperine::ProcessInfo
