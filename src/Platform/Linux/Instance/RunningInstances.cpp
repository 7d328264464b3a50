#include "Platform/Linux/Instance/RunningInstances.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "Platform/Linux/Instance/BuildIdentity.h"
#include "Platform/Linux/Files/PrivateFolder.h"

namespace vesperine {

namespace {

std::string readLocks() {
    std::ifstream in("/proc/locks");
    return {std::istreambuf_iterator<char>(in), {}};
}

bool holds(pid_t pid, dev_t device, ino_t inode) {
    const auto holders = RunningInstances::lockHolders(readLocks(), device, inode);
    return std::find(holders.begin(), holders.end(), pid) != holders.end();
}

bool ownedByUs(pid_t pid) {
    struct stat owner {};
    return ::stat(("/proc/" + std::to_string(pid)).c_str(), &owner) == 0 &&
           owner.st_uid == ::geteuid();
}

}  // namespace

RunningInstances::RunningInstances(std::vector<std::string> folders, std::string bundleId)
    : folders_(std::move(folders)), bundleId_(std::move(bundleId)) {}

std::vector<pid_t> RunningInstances::lockHolders(std::string_view locks, dev_t device,
                                                 ino_t inode) {
    std::vector<pid_t> holders;
    std::istringstream lines{std::string(locks)};
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string number, kind, mode, access, pid, file;
        words >> number >> kind;
        if (kind != "FLOCK") continue;  // "->": still waiting; POSIX, OFDLCK: not a flock
        words >> mode >> access >> pid >> file;
        unsigned major = 0, minor = 0;
        unsigned long long node = 0;
        int end = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%llu%n", &major, &minor, &node, &end) != 3 ||
            static_cast<std::size_t>(end) != file.size()) {
            continue;
        }
        if (major != ::major(device) || minor != ::minor(device) || node != inode) continue;
        char* rest = nullptr;
        const long holder = std::strtol(pid.c_str(), &rest, 10);
        if (holder >= 0 && rest != nullptr && *rest == '\0') {
            holders.push_back(static_cast<pid_t>(holder));
        }
    }
    return holders;
}

std::string RunningInstances::lockFile() const {
    for (const std::string& folder : folders_) {
        struct stat info {};
        // A launch would make a missing folder and keep its lock there: nobody holds one yet.
        if (::lstat(folder.c_str(), &info) != 0) return {};
        if (PrivateFolder::open(folder)) return folder + "/" + bundleId_ + ".lock";
    }
    return {};
}

std::vector<ProcessHandle> RunningInstances::find() const {
    std::vector<ProcessHandle> found;
    const std::string lock = lockFile();
    struct stat lockInfo {};
    if (lock.empty() || ::stat(lock.c_str(), &lockInfo) != 0) return found;
    for (const pid_t pid : lockHolders(readLocks(), lockInfo.st_dev, lockInfo.st_ino)) {
        if (pid == 0 || pid == ::getpid()) continue;
        // Held first, then checked: if the process held is still alive after the checks,
        // they were of it, not of another that took its id after /proc/locks was read.
        ProcessHandle handle = ProcessHandle::open(pid);
        if (!handle.valid() || !ownedByUs(pid) ||
            !BuildIdentity::ofFile("/proc/" + std::to_string(pid) + "/exe") ||
            !holds(pid, lockInfo.st_dev, lockInfo.st_ino) || handle.hasEnded()) {
            continue;
        }
        found.push_back(std::move(handle));
    }
    return found;
}

Status RunningInstances::endAll(std::chrono::milliseconds patience) const {
    std::vector<ProcessHandle> running = find();
    if (running.empty()) return success();
    for (const ProcessHandle& instance : running) (void)instance.signal(SIGTERM);
    struct stat lockInfo {};
    const std::string lock = lockFile();
    const auto until = std::chrono::steady_clock::now() + patience;
    for (;;) {
        // An instance that has let go of the lock is done with the displays, even if it has
        // not quite ended yet.
        const bool lockThere = ::stat(lock.c_str(), &lockInfo) == 0;
        const auto holders =
            lockThere ? lockHolders(readLocks(), lockInfo.st_dev, lockInfo.st_ino)
                      : std::vector<pid_t>{};
        std::erase_if(running, [&](const ProcessHandle& instance) {
            return instance.hasEnded() ||
                   std::find(holders.begin(), holders.end(), instance.pid()) == holders.end();
        });
        if (running.empty()) return success();
        if (std::chrono::steady_clock::now() >= until) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", static_cast<double>(patience.count()) / 1000);
    return Status::failure("The running instance (process " +
                           std::to_string(running.front().pid()) + ") did not quit within " +
                           seconds + " s");
}

}  // namespace vesperine
