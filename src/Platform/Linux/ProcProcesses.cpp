#include "Platform/Linux/ProcProcesses.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vesperine {

struct ProcProcesses::Known {
    RunningProcess process;
    int pidfd = -1;  // -1: the kernel has no pidfds; the process can be neither signalled nor watched
    IoWatch watch;

    ~Known() {
        watch.cancel();  // before the descriptor it watches goes
        if (pidfd >= 0) ::close(pidfd);
    }
};

namespace {

bool isPid(const char* name) {
    if (!*name) return false;
    for (const char* c = name; *c; ++c)
        if (*c < '0' || *c > '9') return false;
    return true;
}

// Reads a small /proc file whole (they are generated on read: one read call is one snapshot).
std::optional<std::string> slurp(int directory, const std::string& path) {
    const int fd = ::openat(directory, path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    char buffer[1024];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (n < 0) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(n));
}

// Through syscall(2): this glibc declares its wrappers without C linkage for C++.
int pidfdOpen(int pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

int pidfdSendSignal(int pidfd, int signal) {
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0));
}

bool hasEnded(int pidfd) {
    pollfd p{pidfd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

}  // namespace

ProcProcesses::ProcProcesses(IoWatcher& loop, Scheduler& scheduler, Logger& logger,
                             std::string root)
    : loop_(loop), scheduler_(scheduler), log_(logger, "conflicts"), root_(std::move(root)) {}

ProcProcesses::~ProcProcesses() = default;

std::optional<ProcProcesses::Found> ProcProcesses::read(int directory, const std::string& pid) const {
    // "<pid> (<comm>) <state> ...": the comm may itself hold spaces and parentheses, so it
    // runs from the first "(" to the last ")".
    const auto stat = slurp(directory, pid + "/stat");
    if (!stat) return std::nullopt;
    const auto open = stat->find('(');
    const auto close = stat->rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open ||
        close + 2 >= stat->size())
        return std::nullopt;
    const char state = (*stat)[close + 2];
    return Found{stat->substr(open + 1, close - open - 1), state == 'Z' || state == 'X'};
}

bool ProcProcesses::isExecutable(int directory, const std::string& pid, const Found& found,
                                 const std::string& executable) const {
    if (found.comm != commOf(executable)) return false;
    if (executable.size() <= found.comm.size()) return true;
    // A cut name: the first word of the command line names the file it was started as.
    const auto cmdline = slurp(directory, pid + "/cmdline");
    if (!cmdline || cmdline->empty()) return false;
    std::string first = cmdline->substr(0, cmdline->find('\0'));
    if (const auto slash = first.rfind('/'); slash != std::string::npos) first.erase(0, slash + 1);
    return first == executable;
}

std::vector<RunningProcess> ProcProcesses::list(const std::vector<std::string>& executables) {
    std::vector<RunningProcess> found;
    DIR* dir = ::opendir(root_.c_str());
    if (!dir) {
        logOnce("opendir", "Couldn't list the running programs in " + root_ + ": " +
                               std::strerror(errno));
        return found;
    }
    const int directory = ::dirfd(dir);
    const uid_t self = ::geteuid();
    while (const dirent* entry = ::readdir(dir)) {
        if (!isPid(entry->d_name)) continue;
        struct stat owner {};
        // A process of another user is never ours to stop; its files are not even read.
        if (::fstatat(directory, entry->d_name, &owner, 0) != 0 || owner.st_uid != self) continue;
        // The name alone first (a cheap file); the full record only for a likely match.
        const auto comm = slurp(directory, std::string(entry->d_name) + "/comm");
        if (!comm) continue;
        const std::string name = comm->substr(0, comm->find('\n'));
        if (std::none_of(executables.begin(), executables.end(),
                         [&](const std::string& e) { return commOf(e) == name; }))
            continue;
        const auto process = read(directory, entry->d_name);
        if (!process || process->zombie) continue;
        for (const auto& executable : executables) {
            if (isExecutable(directory, entry->d_name, *process, executable)) {
                found.push_back({std::atoi(entry->d_name), executable});
                break;
            }
        }
    }
    std::sort(found.begin(), found.end(),
              [](const RunningProcess& a, const RunningProcess& b) { return a.pid < b.pid; });

    // Hold each found process; forget the ones of these executables that were not found.
    std::vector<RunningProcess> held;
    for (const auto& process : found) {
        if (hold(directory, process) != -2) held.push_back(process);
    }
    ::closedir(dir);
    std::vector<int> gone;
    for (const auto& [pid, known] : known_) {
        const bool asked = std::find(executables.begin(), executables.end(),
                                     known->process.executable) != executables.end();
        const bool listed = std::find(held.begin(), held.end(), known->process) != held.end();
        if (asked && !listed) gone.push_back(pid);
    }
    for (int pid : gone) forget(pid, true);
    return held;
}

// Returns the pidfd (-1 when the kernel offers none), or -2 when the process has gone.
int ProcProcesses::hold(int directory, const RunningProcess& process) {
    if (auto it = known_.find(process.pid); it != known_.end()) {
        const Known& known = *it->second;
        if (known.process == process && (known.pidfd < 0 || !hasEnded(known.pidfd))) {
            return known.pidfd;
        }
        forget(process.pid, true);  // ended, and its id now belongs to another process
    }
    const int pidfd = pidfdOpen(process.pid);
    if (pidfd < 0 && errno == ESRCH) return -2;
    if (pidfd < 0) {
        logOnce("pidfd_open", std::string("Running programs can be listed but not stopped: ") +
                                  "pidfd_open failed: " + std::strerror(errno));
    }
    if (pidfd >= 0) {
        // The id may have changed hands between the read and the open. Read it again: if the
        // process held is still alive after that read, the read was of this process.
        struct stat owner {};
        const std::string pid = std::to_string(process.pid);
        const auto again = read(directory, pid);
        if (::fstatat(directory, pid.c_str(), &owner, 0) != 0 || owner.st_uid != ::geteuid() ||
            !again || again->zombie || !isExecutable(directory, pid, *again, process.executable) ||
            hasEnded(pidfd)) {
            ::close(pidfd);
            return -2;
        }
    }
    auto known = std::make_unique<Known>();
    known->process = process;
    known->pidfd = pidfd;
    if (pidfd >= 0) {
        known->watch = loop_.watchReadable(pidfd, alive_.guard([this, pid = process.pid] {
            ended(pid);
        }));
    }
    known_[process.pid] = std::move(known);
    return pidfd;
}

Status ProcProcesses::terminate(const RunningProcess& process) {
    auto it = known_.find(process.pid);
    if (it == known_.end() || it->second->process != process) {
        return Status::failure("it is not running (any more)");
    }
    if (it->second->pidfd < 0) {
        return Status::failure("this kernel can't signal a process without risking another");
    }
    if (pidfdSendSignal(it->second->pidfd, SIGTERM) != 0) {
        return Status::failure(std::strerror(errno));
    }
    return success();
}

void ProcProcesses::ended(int pid) {
    auto it = known_.find(pid);
    if (it == known_.end()) return;
    const RunningProcess process = it->second->process;
    known_.erase(it);
    exits_.notify(process);
}

void ProcProcesses::forget(int pid, bool reportIfEnded) {
    auto it = known_.find(pid);
    if (it == known_.end()) return;
    const bool report = reportIfEnded && it->second->pidfd >= 0 && hasEnded(it->second->pidfd);
    const RunningProcess process = it->second->process;
    known_.erase(it);
    // Its end was not heard yet (the listing came first): tell on a later turn, as the
    // watch would have, so no caller is re-entered from inside `list`.
    if (report) {
        scheduler_.post(alive_.guard([this, process] { exits_.notify(process); }));
    }
}

void ProcProcesses::logOnce(const std::string& cause, const std::string& message) {
    if (lastLogged_ == cause) return;
    lastLogged_ = cause;
    log_.error("%s", message.c_str());
}

}  // namespace vesperine
