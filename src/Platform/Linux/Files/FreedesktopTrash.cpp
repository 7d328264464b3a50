#include "Platform/Linux/Files/FreedesktopTrash.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <memory>

#include "Platform/Linux/Files/Descriptor.h"
#include "Platform/Linux/Files/PosixFileSystem.h"

namespace vesperine {

namespace {

// Tries a name this many times (".2" up to ".999") before giving up on a crowded Trash.
constexpr int maxNameAttempts = 999;

Error failure(const std::string& path, const std::string& why) {
    return Error{"Couldn't move \"" + path + "\" to the Trash: " + why};
}

std::string describeErrno(const char* what, const std::string& path, int err = errno) {
    return std::string(what) + " \"" + path + "\": " + std::strerror(err);
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The local date and time as the info file wants it.
std::string localTimestamp(Instant instant) {
    const auto seconds = static_cast<std::time_t>(std::floor(instant.unixSeconds()));
    std::tm local{};
    char text[32] = "1970-01-01T00:00:00";
    if (::localtime_r(&seconds, &local) != nullptr) {
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    }
    return text;
}

// Copies a file or link that lives on another file system to `to` (which must not exist),
// keeping its mode and modification time, and flushes it to disk. Gives errno on failure,
// with nothing left at `to`.
int copyAcross(const std::string& from, const struct stat& info, const std::string& to) {
    if (S_ISLNK(info.st_mode)) {
        std::string target(static_cast<std::size_t>(info.st_size) + 1, '\0');
        const ssize_t n = ::readlink(from.c_str(), target.data(), target.size());
        if (n < 0) return errno;
        if (static_cast<std::size_t>(n) >= target.size()) return ENAMETOOLONG;  // it changed
        target.resize(static_cast<std::size_t>(n));
        return ::symlink(target.c_str(), to.c_str()) == 0 ? 0 : errno;
    }
    if (!S_ISREG(info.st_mode)) return EXDEV;
    Descriptor in{::open(from.c_str(), O_RDONLY | O_CLOEXEC)};
    if (in.fd < 0) return errno;
    Descriptor out{::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)};
    if (out.fd < 0) return errno;
    int err = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(in.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || (n > 0 && !writeAll(out.fd, buffer, static_cast<std::size_t>(n)))) {
            err = errno;
            break;
        }
        if (n == 0) break;
    }
    const timespec times[2] = {info.st_atim, info.st_mtim};
    if (err == 0 && (::fchmod(out.fd, info.st_mode & 07777) != 0 ||
                     ::futimens(out.fd, times) != 0 || ::fsync(out.fd) != 0)) {
        err = errno;
    }
    if (err != 0) ::unlink(to.c_str());
    return err;
}

}  // namespace

FreedesktopTrash::FreedesktopTrash(std::string trashFolder, const Clock& clock)
    : trashFolder_(std::move(trashFolder)), clock_(clock) {}

std::string FreedesktopTrash::encodePath(std::string_view path) {
    const std::string text(path);
    std::unique_ptr<char, decltype(&g_free)> encoded(
        g_uri_escape_string(text.c_str(), "/!*'()", FALSE), g_free);
    return encoded.get();
}

std::string FreedesktopTrash::infoText(std::string_view path, std::string_view deletionDate) {
    return "[Trash Info]\nPath=" + encodePath(path) +
           "\nDeletionDate=" + std::string(deletionDate) + "\n";
}

Result<std::string> FreedesktopTrash::moveToTrash(const std::string& given) {
    std::string path = given;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (path.empty() || path.front() != '/') return failure(given, "the path is not absolute");
    const std::string name = path.substr(path.find_last_of('/') + 1);
    if (name.empty() || name == "." || name == "..") return failure(given, "it has no name");
    struct stat item {};
    if (::lstat(path.c_str(), &item) != 0) return failure(path, std::strerror(errno));

    const std::string filesFolder = trashFolder_ + "/files";
    const std::string infoFolder = trashFolder_ + "/info";
    for (const auto& folder : {filesFolder, infoFolder}) {
        if (auto made = PosixFileSystem::createDirectories(folder); !made) {
            return failure(path, made.error().description);
        }
    }
    const std::string info = infoText(path, localTimestamp(clock_.now()));

    // The info file is made first and exclusively: it claims the name, so two programs
    // trashing the same name at once never take the same slot.
    for (int attempt = 1; attempt <= maxNameAttempts; ++attempt) {
        const std::string slot = attempt == 1 ? name : name + "." + std::to_string(attempt);
        const std::string infoPath = infoFolder + "/" + slot + ".trashinfo";
        const std::string target = filesFolder + "/" + slot;
        Descriptor infoFile{
            ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)};
        if (infoFile.fd < 0) {
            if (errno == EEXIST) continue;
            return failure(path, describeErrno("Couldn't create", infoPath));
        }
        auto abandon = [&](const std::string& why) {
            ::unlink(infoPath.c_str());
            return failure(path, why);
        };
        if (!writeAll(infoFile.fd, info.data(), info.size()) || ::fsync(infoFile.fd) != 0) {
            return abandon(describeErrno("Couldn't write", infoPath));
        }
        if (PosixFileSystem::renameWithoutReplacing(path, target)) return target;
        if (errno == EEXIST) {  // an item without its info file holds the name: skip it
            ::unlink(infoPath.c_str());
            continue;
        }
        if (errno != EXDEV) return abandon(std::strerror(errno));
        if (const int err = copyAcross(path, item, target); err != 0) {
            if (err == EEXIST) {
                ::unlink(infoPath.c_str());
                continue;
            }
            if (err == EXDEV) return abandon("it is on another file system and is not a file");
            return abandon(describeErrno("Couldn't copy to", target, err));
        }
        if (::unlink(path.c_str()) != 0) {
            // The original stays, so the copy must go: one of it is enough.
            const int err = errno;
            ::unlink(target.c_str());
            return abandon(std::strerror(err));
        }
        return target;
    }
    return failure(path, "the Trash has too many items of that name");
}

}  // namespace vesperine
