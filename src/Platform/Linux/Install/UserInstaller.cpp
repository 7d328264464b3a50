#include "Platform/Linux/Install/UserInstaller.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <random>

#include "Platform/Linux/Instance/BuildIdentity.h"
#include "Platform/Linux/Install/DesktopEntry.h"
#include "Platform/Linux/Install/InstallResources.h"
#include "Platform/Linux/Files/PosixFileSystem.h"
#include "Platform/Linux/Instance/RunningInstances.h"
#include "Platform/Linux/Files/UserDirs.h"

namespace vesperine {

namespace {

std::string failureText(const std::string& what, const std::string& path, int err) {
    return what + " \"" + path + "\": " + std::strerror(err);
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

// `folder` with its links resolved, as the kernel names the running program's path (a home
// reached through a link, /home -> /data/home); as it stands when it cannot be resolved.
std::string resolved(const std::string& folder) {
    if (folder.empty()) return folder;
    char* real = ::realpath(folder.c_str(), nullptr);
    if (real == nullptr) return folder;
    std::string path = real;
    std::free(real);
    return path;
}

struct OpenFile {
    int fd = -1;
    ~OpenFile() {
        if (fd >= 0) ::close(fd);
    }
};

// Copies everything from `in` to `out`: in the kernel where the file systems allow it
// (sharing blocks on those that can), else through a buffer.
bool copyAll(int in, int out) {
    bool kernel = true;
    char buffer[65536];
    for (;;) {
        ssize_t n;
        if (kernel) {
            n = ::copy_file_range(in, nullptr, out, nullptr, std::size_t{1} << 30, 0);
            if (n < 0 &&
                (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                kernel = false;
                continue;
            }
        } else {
            n = ::read(in, buffer, sizeof buffer);
            for (ssize_t done = 0; n > 0 && done < n;) {
                const ssize_t written =
                    ::write(out, buffer + done, static_cast<std::size_t>(n - done));
                if (written < 0 && errno == EINTR) continue;
                if (written < 0) return false;
                done += written;
            }
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
    }
}

constexpr std::string_view temporaryMark = ".install-";

// Removes copies left in `folder` by installs of `name` that died before their rename.
void removeStaleCopies(const std::string& folder, const std::string& name) {
    const std::string prefix = "." + name + std::string(temporaryMark);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string found = entry->d_name;
        if (found.compare(0, prefix.size(), prefix) != 0) continue;
        char* end = nullptr;
        const long pid = std::strtol(found.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || *end != '-' || pid == ::getpid()) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        ::unlinkat(::dirfd(dir), found.c_str(), 0);
    }
    ::closedir(dir);
}

}  // namespace

UserInstaller::UserInstaller(Logger& logger, std::string bundleId, std::string runningPath,
                             XdgPaths paths, std::string buildTree)
    : log_(logger, "install"),
      bundleId_(std::move(bundleId)),
      runningPath_(std::move(runningPath)),
      paths_(std::move(paths)),
      buildTree_(std::move(buildTree)) {}

std::string UserInstaller::defaultBuildTree() {
#ifdef VESPERINE_BUILD_TREE
    return VESPERINE_BUILD_TREE;
#else
    return {};
#endif
}

Installer::Places UserInstaller::places() const {
    // The running path comes resolved from the kernel, so the folders it is compared with
    // are resolved too. The install folder stays as the user names it: it may be a link.
    Places places{resolved(paths_.home), {}, resolved(buildTree_), paths_.home + "/.local/bin"};
    PosixFileSystem files;
    const ReadResult dirs = files.read(paths_.configHome + "/user-dirs.dirs");
    if (dirs.ok) {
        auto named = UserDirs::parse(dirs.bytes, paths_.home);
        for (const char* name : {"XDG_DOWNLOAD_DIR", "XDG_DESKTOP_DIR"}) {
            if (auto found = named.find(name); found != named.end()) {
                places.moreMovable.push_back(resolved(found->second));
            }
        }
    }
    return places;
}

bool UserInstaller::isSameFile(const std::string& a, const std::string& b) const {
    struct stat first {
    }, second{};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

Installer::Occupant UserInstaller::occupant(const std::string& path) const {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        // Nothing there, or no folder to hold it; anything else (a folder we may not read)
        // is treated as something of the user's.
        return errno == ENOENT || errno == ENOTDIR ? Occupant::nothing : Occupant::other;
    }
    // A link is never a copy of ours (installs put files), whatever it leads to.
    if (!S_ISREG(info.st_mode)) return Occupant::other;
    const auto identity = BuildIdentity::ofFile(path);
    if (!identity) return Occupant::other;
    log_.info("%s is %s", path.c_str(), identity->c_str());
    return Occupant::ourCopy;
}

Status UserInstaller::endOtherInstances() {
    return RunningInstances(paths_.runtimeFolders(bundleId_), bundleId_)
        .endAll(std::chrono::seconds(5));
}

Status UserInstaller::install(const std::string& source, const std::string& destination) {
    // The executable inside a mounted image needs the rest of the image to run.
    if (source.find("/.mount_") != std::string::npos) {
        return Status::failure("\"" + source +
                               "\" runs inside a mounted AppImage whose file is unknown");
    }
    if (auto copied = copyExecutable(source, destination); !copied) return copied;
    log_.notice("Copied %s to %s", source.c_str(), destination.c_str());
    addToDesktop(destination);
    return success();
}

Status UserInstaller::copyExecutable(const std::string& source,
                                     const std::string& destination) const {
    OpenFile in{::open(source.c_str(), O_RDONLY | O_CLOEXEC)};
    if (in.fd < 0) return Status::failure(failureText("Couldn't open", source, errno));
    struct stat info {};
    if (::fstat(in.fd, &info) != 0)
        return Status::failure(failureText("Couldn't read", source, errno));
    if (!S_ISREG(info.st_mode)) return Status::failure("\"" + source + "\" is not a file");

    const std::string folder = folderOf(destination);
    if (auto made = PosixFileSystem::createDirectories(folder); !made) return made;
    removeStaleCopies(folder, nameOf(destination));
    std::random_device random;
    const std::string temporary = folder + "/." + nameOf(destination) + std::string(temporaryMark) +
                                  std::to_string(::getpid()) + "-" +
                                  std::to_string(random() & 0xFFFFFF);
    OpenFile out{::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)};
    if (out.fd < 0) return Status::failure(failureText("Couldn't create", temporary, errno));
    const auto fail = [&](const std::string& what, const std::string& path) {
        const int err = errno;
        ::unlink(temporary.c_str());
        return Status::failure(failureText(what, path, err));
    };
    if (!copyAll(in.fd, out.fd)) return fail("Couldn't copy", source);
    if (::fchmod(out.fd, 0755) != 0) return fail("Couldn't make executable", temporary);
    if (::fsync(out.fd) != 0) return fail("Couldn't write", temporary);
    if (::rename(temporary.c_str(), destination.c_str()) != 0) {
        return fail("Couldn't replace", destination);
    }
    OpenFile dir{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd >= 0) ::fsync(dir.fd);  // best effort: the copy itself is on disk already
    return success();
}

std::string UserInstaller::desktopEntryPath() const {
    return paths_.dataHome + "/applications/" + bundleId_ + ".desktop";
}

std::string UserInstaller::iconPath() const {
    return paths_.dataHome + "/icons/hicolor/scalable/apps/" + bundleId_ + ".svg";
}

Result<std::string> UserInstaller::desktopEntryFor(const std::string& executable) {
    const auto argument = DesktopEntry::execArgument(executable);
    if (!argument) {
        return Result<std::string>::failure("\"" + executable +
                                            "\" can't be written in a desktop entry");
    }
    return DesktopEntry::withKey(
        DesktopEntry::withKey(InstallResources::desktopEntry, "Exec", *argument), ownEntryKey,
        "true");
}

void UserInstaller::addToDesktop(const std::string& executable) const {
    PosixFileSystem files;
    const std::string entryPath = desktopEntryPath();
    const ReadResult existing = files.read(entryPath);
    const auto entry = desktopEntryFor(executable);
    if (!entry) {
        log_.error("No menu entry: %s", entry.error().description.c_str());
    } else if ((existing.ok || existing.failure != ReadFailure::notFound) &&
               DesktopEntry::keys(existing.bytes)[ownEntryKey] != "true") {
        // Theirs (or one we cannot read): the user's own launcher stays as they made it.
        log_.notice("Left %s as it is: it isn't one this program wrote", entryPath.c_str());
    } else if (auto written = files.writeAtomically(entryPath, *entry); !written) {
        log_.error("No menu entry: %s", written.error().description.c_str());
    }
    if (auto icon = files.writeAtomically(iconPath(), InstallResources::scalableIcon); !icon) {
        log_.error("No icon: %s", icon.error().description.c_str());
    }
}

}  // namespace vesperine
