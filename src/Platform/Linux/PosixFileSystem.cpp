#include "Platform/Linux/PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

namespace vesperine {

namespace {

std::string describe(const std::string& what, const std::string& path, int err) {
    return what + " \"" + path + "\": " + std::strerror(err);
}

std::string parentOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Closes a descriptor on every way out.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

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

// Removes temporary files of `path` left by writers that died before their rename (a crash, a
// kill -9). Only files of processes that no longer exist are touched: a live writer's file
// is its own business, even if it is another instance.
void removeStaleTemporaries(const std::string& folder, const std::string& path) {
    const std::string prefix = path.substr(path.find_last_of('/') + 1) + ".tmp-";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || *end != '-' || pid == ::getpid()) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        ::unlinkat(::dirfd(dir), name.c_str(), 0);
    }
    ::closedir(dir);
}

}  // namespace

ReadResult PosixFileSystem::read(const std::string& path) const {
    ReadResult result;
    Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) {
        result.failure = errno == ENOENT ? ReadFailure::notFound : ReadFailure::unreadable;
        result.description = describe("Couldn't open", path, errno);
        return result;
    }
    struct stat info {};
    if (::fstat(file.fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        result.failure = ReadFailure::unreadable;
        result.description = describe("Couldn't read", path, EISDIR);
        return result;
    }
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(file.fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            result.failure = ReadFailure::unreadable;
            result.description = describe("Couldn't read", path, errno);
            result.bytes.clear();
            return result;
        }
        if (n == 0) break;
        result.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    result.ok = true;
    return result;
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
    const std::string folder = parentOf(path);
    auto made = createDirectories(folder);
    if (!made) return made;

    std::random_device random;
    const std::string temporary = path + ".tmp-" + std::to_string(::getpid()) + "-" +
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
    const bool renamed = keepExisting ? renameWithoutReplacing(temporary, path)
                                      : ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!renamed) {
        int err = errno;
        ::unlink(temporary.c_str());
        return Status::failure(
            describe(keepExisting ? "Couldn't create" : "Couldn't replace", path, err));
    }
    Descriptor dir{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd >= 0) ::fsync(dir.fd);  // best effort: the data itself is already on disk
    removeStaleTemporaries(folder, path);
    return success();
}

bool PosixFileSystem::renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without the no-replace rename: a hard link refuses an existing name just
    // the same (folders cannot be linked and stay refused).
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
}

Status PosixFileSystem::move(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        return Status::failure(describe("Couldn't move", from, errno));
    }
    return success();
}

bool PosixFileSystem::exists(const std::string& path) const {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace vesperine
