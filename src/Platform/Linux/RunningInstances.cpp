#include "Platform/Linux/RunningInstances.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "Platform/Linux/PrivateFolder.h"

namespace vesperine {

namespace {

bool isNumber(const char* name) {
    if (*name == '\0') return false;
    for (; *name != '\0'; ++name) {
        if (*name < '0' || *name > '9') return false;
    }
    return true;
}

// Whether process `pid` has the file (`device`, `inode`) open.
bool holds(const std::string& pid, dev_t device, ino_t inode) {
    const std::string fds = "/proc/" + pid + "/fd";
    DIR* dir = ::opendir(fds.c_str());
    if (dir == nullptr) return false;  // gone, or not ours to look at
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat info {};
        if (!isNumber(entry->d_name) || ::fstatat(::dirfd(dir), entry->d_name, &info, 0) != 0) {
            continue;
        }
        if (info.st_dev == device && info.st_ino == inode) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

}  // namespace

RunningInstances::RunningInstances(std::vector<std::string> folders, std::string bundleId)
    : folders_(std::move(folders)), bundleId_(std::move(bundleId)) {}

std::string RunningInstances::lockFile() const {
    for (const std::string& folder : folders_) {
        struct stat info {};
        // A launch would make a missing folder and keep its lock there: nobody holds one yet.
        if (::lstat(folder.c_str(), &info) != 0) return {};
        if (PrivateFolder::open(folder)) return folder + "/" + bundleId_ + ".lock";
    }
    return {};
}

std::vector<pid_t> RunningInstances::find() const {
    std::vector<pid_t> found;
    const std::string lock = lockFile();
    struct stat lockInfo {};
    if (lock.empty() || ::stat(lock.c_str(), &lockInfo) != 0) return found;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return found;
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(proc)) {
        struct stat owner {};
        if (!isNumber(entry->d_name) || ::fstatat(::dirfd(proc), entry->d_name, &owner, 0) != 0) {
            continue;
        }
        const pid_t pid = static_cast<pid_t>(std::atol(entry->d_name));
        if (pid == self || owner.st_uid != ::geteuid()) continue;
        if (holds(entry->d_name, lockInfo.st_dev, lockInfo.st_ino)) found.push_back(pid);
    }
    ::closedir(proc);
    return found;
}

Status RunningInstances::endAll(std::chrono::milliseconds patience) const {
    std::vector<pid_t> running = find();
    for (pid_t pid : running) ::kill(pid, SIGTERM);
    const auto until = std::chrono::steady_clock::now() + patience;
    for (;;) {
        const std::vector<pid_t> holding = find();
        std::erase_if(running, [&](pid_t pid) {
            return std::find(holding.begin(), holding.end(), pid) == holding.end();
        });
        if (running.empty()) return success();
        if (std::chrono::steady_clock::now() >= until) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", static_cast<double>(patience.count()) / 1000);
    return Status::failure("The running instance (process " + std::to_string(running.front()) +
                           ") did not quit within " + seconds + " s");
}

}  // namespace vesperine
