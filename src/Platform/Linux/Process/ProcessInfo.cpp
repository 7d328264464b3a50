#include "Platform/Linux/Process/ProcessInfo.h"

#include <unistd.h>

#include <fstream>

namespace vesperine::ProcessInfo {

std::string_view withoutDeletedMark(std::string_view exeTarget) {
    constexpr std::string_view deleted = " (deleted)";
    if (exeTarget.size() > deleted.size() && exeTarget.ends_with(deleted))
        exeTarget.remove_suffix(deleted.size());
    return exeTarget;
}

std::optional<std::string> executableName(std::int64_t pid) {
    if (pid <= 0) return std::nullopt;
    const std::string folder = "/proc/" + std::to_string(pid);
    char target[4096];
    const ssize_t length = ::readlink((folder + "/exe").c_str(), target, sizeof target - 1);
    if (length > 0) {
        const std::string_view path =
            withoutDeletedMark({target, static_cast<std::size_t>(length)});
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
