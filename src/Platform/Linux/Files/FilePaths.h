#pragma once

#include <cstring>
#include <string>

namespace vesperine::FilePaths {

// The folder of `path`: "." for a bare name, "/" for a file at the root.
inline std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A failed call on a path, as the logs and alerts say it: `Couldn't open "/a/b": No such file…`.
inline std::string describe(const std::string& what, const std::string& path, int err) {
    return what + " \"" + path + "\": " + std::strerror(err);
}

}  // namespace vesperine::FilePaths
