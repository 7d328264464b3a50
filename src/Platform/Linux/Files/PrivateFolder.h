#pragma once

#include <string>
#include <utility>

#include "Support/Result.h"

namespace vesperine {

// A folder that nobody but this user can change: a real directory (not a symbolic link),
// owned by this user, writable by nobody else. It is held open and checked through the open
// descriptor, and every entry is reached through that descriptor, so renaming or replacing
// the path after the check cannot point us at somebody else's folder. Move-only.
class PrivateFolder {
public:
    // Opens `path`, creating it and its missing parents (mode 0700) first when missing, and
    // checks it. Fails, saying why, when the folder is not private.
    static Result<PrivateFolder> open(const std::string& path);

    PrivateFolder(PrivateFolder&& other) noexcept;
    PrivateFolder& operator=(PrivateFolder&& other) noexcept;
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    ~PrivateFolder();

    const std::string& path() const { return path_; }
    int descriptor() const { return fd_; }

    // Opens (creating, mode 0600) the regular file `name` in the folder for reading and
    // writing, without following a link; fails unless the file is ours. The caller closes it.
    Result<int> openOwnFile(const std::string& name) const;
    // A path to `name` that resolves through the open descriptor, for calls that take only a
    // path (binding or connecting a local socket). The plain path where /proc is missing.
    std::string entryPath(const std::string& name) const;

private:
    PrivateFolder(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

    int fd_ = -1;
    std::string path_;
};

}  // namespace vesperine
