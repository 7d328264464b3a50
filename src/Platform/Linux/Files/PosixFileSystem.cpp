#include "Platform/Linux/Files/PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "Platform/Linux/Files/Descriptor.h"
#include "Platform/Linux/Files/FilePaths.h"

namespace vesperine {

using FilePaths::describe;
using FilePaths::parentOf;

namespace {

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// How an error names what is in a file's place.
std::string notRegular(const std::string& what, const std::string& path, mode_t mode) {
    const char* kind = S_ISDIR(mode)    ? "a folder"
                       : S_ISFIFO(mode) ? "a named pipe"
                       : S_ISCHR(mode)  ? "a character device"
                       : S_ISBLK(mode)  ? "a block device"
                       : S_ISSOCK(mode) ? "a socket"
                                        : "something else";
    return what + " \"" + path + "\": it is " + kind + ", not a regular file";
}

// The path that `path` finally names, following it while it is a symbolic link; it may not
// exist (a dangling link names the file that a write creates). Only the last component is
// followed here: links among the folders on the way are resolved by the kernel as usual.
Result<std::string> followLinks(std::string path) {
    const std::string given = path;
    for (int followed = 0;; ++followed) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        if (followed == PosixFileSystem::maximumLinks) {
            return Result<std::string>::failure(describe("Couldn't follow the link", given, ELOOP));
        }
        char target[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
        if (n < 0 || n == static_cast<ssize_t>(sizeof target)) {
            return Result<std::string>::failure(
                describe("Couldn't follow the link", path, n < 0 ? errno : ENAMETOOLONG));
        }
        const std::string next(target, static_cast<std::size_t>(n));
        path = !next.empty() && next.front() == '/' ? next : parentOf(path) + "/" + next;  // relative to its folder
    }
}

// rename(2) that fails with EEXIST instead of replacing `to`.
// Best effort: the data itself is already on disk; this makes a rename in it last.
void syncFolder(const std::string& folder) {
    Descriptor dir{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd >= 0) ::fsync(dir.fd);
}

}  // namespace

ReadResult PosixFileSystem::read(const std::string& path) const {
    ReadResult result;
    result.failure = ReadFailure::unreadable;
    // Looked at before opening, so that opening has no side effect on a device; and looked at
    // again through the descriptor, in case the path changed in between.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) result.failure = ReadFailure::notFound;
        result.description = describe("Couldn't open", path, errno);
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.description = notRegular("Couldn't read", path, info.st_mode);
        return result;
    }
    // Non-blocking: a named pipe put in the file's place meanwhile must not hold start-up.
    Descriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (file.fd < 0) {
        if (errno == ENOENT) result.failure = ReadFailure::notFound;
        result.description = describe("Couldn't open", path, errno);
        return result;
    }
    if (::fstat(file.fd, &info) != 0) {
        result.description = describe("Couldn't read", path, errno);
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.description = notRegular("Couldn't read", path, info.st_mode);
        return result;
    }
    const std::string tooLarge = "Couldn't read \"" + path + "\": it is larger than " +
                                 std::to_string(maximumSize / (1024 * 1024)) + " MiB";
    if (static_cast<std::uintmax_t>(info.st_size) > maximumSize) {
        result.description = tooLarge;
        return result;
    }
    // Never more than one byte past the limit, even from a file that grows while we read.
    char buffer[65536];
    while (result.bytes.size() <= maximumSize) {
        const std::size_t wanted = std::min(sizeof buffer, maximumSize + 1 - result.bytes.size());
        ssize_t n = ::read(file.fd, buffer, wanted);
        if (n < 0) {
            if (errno == EINTR) continue;
            result.description = describe("Couldn't read", path, errno);
            result.bytes.clear();
            return result;
        }
        if (n == 0) break;
        result.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    if (result.bytes.size() > maximumSize) {
        result.description = tooLarge;
        result.bytes.clear();
        return result;
    }
    result.ok = true;
    return result;
}

void PosixFileSystem::removeStaleTemporaries(const std::string& folder, const std::string& prefix) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!name.starts_with(prefix)) continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || *end != '-' || pid == ::getpid()) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        ::unlinkat(::dirfd(dir), name.c_str(), 0);
    }
    ::closedir(dir);
}

Status PosixFileSystem::createDirectories(const std::string& path) {
    if (path.empty()) return success();
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return success();
        return Status::failure(describe("Not a folder:", path, ENOTDIR));
    }
    std::string parent = parentOf(path);
    if (parent != path) {
        auto made = createDirectories(parent);
        if (!made) return made;
    }
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return Status::failure(describe("Couldn't create folder", path, errno));
    }
    return success();
}

Status PosixFileSystem::writeAtomically(const std::string& path, const std::string& bytes) {
    return write(path, bytes, false);
}

Status PosixFileSystem::writeNewAtomically(const std::string& path, const std::string& bytes) {
    return write(path, bytes, true);
}

Status PosixFileSystem::write(const std::string& path, const std::string& bytes,
                              bool keepExisting) {
    if (bytes.size() > maximumSize) {
        return Status::failure("Couldn't write \"" + path + "\": the content is larger than " +
                               std::to_string(maximumSize / (1024 * 1024)) + " MiB");
    }
    auto followed = followLinks(path);
    if (!followed) return followed.error();
    const std::string& target = *followed;
    struct stat info {};
    if (::lstat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        return Status::failure(notRegular("Won't replace", target, info.st_mode));
    }
    const std::string folder = parentOf(target);
    auto made = createDirectories(folder);
    if (!made) return made;

    std::random_device random;
    const std::string temporary = target + ".tmp-" + std::to_string(::getpid()) + "-" +
                                  std::to_string(random() & 0xFFFFFF);
    {
        Descriptor file{::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)};
        if (file.fd < 0) return Status::failure(describe("Couldn't create", temporary, errno));
        if (!writeAll(file.fd, bytes) || ::fsync(file.fd) != 0) {
            int err = errno;
            ::unlink(temporary.c_str());
            return Status::failure(describe("Couldn't write", temporary, err));
        }
    }
    const bool renamed = keepExisting ? renameWithoutReplacing(temporary, target)
                                      : ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!renamed) {
        int err = errno;
        ::unlink(temporary.c_str());
        return Status::failure(
            describe(keepExisting ? "Couldn't create" : "Couldn't replace", target, err));
    }
    syncFolder(folder);
    removeStaleTemporaries(folder, target.substr(target.find_last_of('/') + 1) + ".tmp-");
    return success();
}

bool PosixFileSystem::renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without the no-replace rename: a hard link refuses an existing name just
    // the same.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno != EPERM) return false;
    // Folders cannot be linked: check, then rename (a race only with another writer).
    struct stat info {};
    if (::lstat(to.c_str(), &info) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

Result<std::string> PosixFileSystem::moveAside(const std::string& path, const std::string& suffix) {
    auto followed = followLinks(path);
    if (!followed) return followed.error();
    const std::string& target = *followed;
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0) {
        return Result<std::string>::failure(describe("Couldn't move", target, errno));
    }
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        return Result<std::string>::failure(notRegular("Won't move", target, info.st_mode));
    }
    for (int n = 1;; ++n) {
        std::string aside = asideName(target, suffix, n);
        if (renameWithoutReplacing(target, aside)) {
            syncFolder(parentOf(target));
            return aside;
        }
        if (errno != EEXIST) return Result<std::string>::failure(describe("Couldn't move", target, errno));
    }
}

bool PosixFileSystem::exists(const std::string& path) const {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

}  // namespace vesperine
