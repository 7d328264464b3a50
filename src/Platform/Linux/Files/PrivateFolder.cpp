#include "Platform/Linux/Files/PrivateFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "Platform/Linux/Files/PosixFileSystem.h"

namespace vesperine {

Result<PrivateFolder> PrivateFolder::open(const std::string& path) {
    using R = Result<PrivateFolder>;
    if (path.empty() || path[0] != '/')
        return R::failure("\"" + path + "\" is not an absolute path");
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        if (Status made = PosixFileSystem::createDirectories(path); !made) {
            return R::failure(made.error().description);
        }
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        return R::failure(path + (error == ELOOP || error == ENOTDIR
                                      ? " is not a folder (or is a link)"
                                      : ": " + std::string(std::strerror(error))));
    }
    PrivateFolder folder(fd, path);
    if (::fstat(fd, &info) != 0) return R::failure(path + ": " + std::strerror(errno));
    if (info.st_uid != ::geteuid()) {
        return R::failure(path + " belongs to user " + std::to_string(info.st_uid));
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) return R::failure("others can write to " + path);
    return folder;
}

PrivateFolder::PrivateFolder(PrivateFolder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

PrivateFolder& PrivateFolder::operator=(PrivateFolder&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

PrivateFolder::~PrivateFolder() {
    if (fd_ >= 0) ::close(fd_);
}

Result<int> PrivateFolder::openOwnFile(const std::string& name) const {
    const std::string shown = path_ + "/" + name;
    const int fd = ::openat(fd_, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return Result<int>::failure(shown + ": " + std::strerror(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        ::close(fd);
        return Result<int>::failure(shown + " is not a file of ours");
    }
    return fd;
}

std::string PrivateFolder::entryPath(const std::string& name) const {
    const std::string viaDescriptor = "/proc/self/fd/" + std::to_string(fd_);
    if (::access(viaDescriptor.c_str(), F_OK) != 0) return path_ + "/" + name;
    return viaDescriptor + "/" + name;
}

}  // namespace vesperine
