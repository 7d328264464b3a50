#include "Platform/Linux/Process/ProcProcesses.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "Platform/Linux/Process/ProcessHandle.h"

namespace vesperine {

struct ProcProcesses::Known {
    RunningProcess process;
    ProcessHandle handle;  // empty: the kernel has no pidfds; neither signalled nor watched
    IoWatch watch;
    // False once a listing no longer finds it while it still runs: it is then no longer
    // signalled, but its end is still heard. A program in its exit has given its memory back
    // before it ends, and with it the environment that made it ours: dropping the watch
    // there would lose the end that a caller who asked it to quit waits for.
    bool listed = true;

    ~Known() { watch.cancel(); }  // before the descriptor it watches goes
};

namespace {

bool isPid(const char* name) {
    if (!*name) return false;
    for (const char* c = name; *c; ++c)
        if (*c < '0' || *c > '9') return false;
    return true;
}

// Reads a /proc file whole, up to `limit` bytes. They are generated on read: a small one
// comes in one call, one snapshot; an environment comes a page per call. `oneRead`: for a
// file the kernel gives whole to the first read, which then needs no second read to find
// its end.
std::optional<std::string> slurp(int directory, const std::string& path,
                                 std::size_t limit = 1024, bool oneRead = false) {
    const int fd = ::openat(directory, path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string text;
    char buffer[4096];
    while (text.size() < limit) {
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, limit - text.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
        if (oneRead) break;
    }
    ::close(fd);
    return text;
}

// A process's name: the kernel keeps at most 15 bytes of it, in one read. Every process is
// listed once a minute, and on a desktop with hundreds of them each system call saved per
// process counts.
std::optional<std::string> processName(int directory, const char* pid) {
    auto comm = slurp(directory, std::string(pid) + "/comm", 64, true);
    if (!comm) return std::nullopt;
    return comm->substr(0, comm->find('\n'));
}

// The environment a program was started with; larger ones than this are not ours to read.
constexpr std::size_t maxEnvironment = 1024 * 1024;

bool ownedByUs(int directory, const std::string& pid) {
    struct stat owner {};
    return ::fstatat(directory, pid.c_str(), &owner, 0) == 0 && owner.st_uid == ::geteuid();
}

}  // namespace

ProcProcesses::ProcProcesses(IoWatcher& loop, Scheduler& scheduler, Logger& logger,
                             std::string root, ProcessSession ours)
    : loop_(loop),
      scheduler_(scheduler),
      log_(logger, "conflicts"),
      root_(std::move(root)),
      ours_(std::move(ours)) {}

ProcProcesses::~ProcProcesses() = default;

std::optional<std::string> ProcProcesses::match(
    int directory, const std::string& pid, const std::vector<std::string>& executables) const {
    if (!ownedByUs(directory, pid)) return std::nullopt;
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
    if (state == 'Z' || state == 'X') return std::nullopt;
    const std::string comm = stat->substr(open + 1, close - open - 1);

    std::optional<std::string> found;
    for (const auto& executable : executables) {
        if (comm != commOf(executable)) continue;
        if (executable.size() <= comm.size()) {
            found = executable;
            break;
        }
        // A cut name: the first word of the command line names the file it was started as.
        const auto cmdline = slurp(directory, pid + "/cmdline");
        if (!cmdline || cmdline->empty()) continue;
        std::string first = cmdline->substr(0, cmdline->find('\0'));
        if (const auto slash = first.rfind('/'); slash != std::string::npos) {
            first.erase(0, slash + 1);
        }
        if (first == executable) {
            found = executable;
            break;
        }
    }
    if (!found || !onOurDisplays(directory, pid)) return std::nullopt;
    return found;
}

bool ProcProcesses::onOurDisplays(int directory, const std::string& pid) const {
    const auto environment = slurp(directory, pid + "/environ", maxEnvironment);
    if (!environment) return false;
    // Its login session counts only where we have one to compare it with.
    const std::string session =
        ours_.loginSession.empty()
            ? std::string()
            : ProcessSession::loginSessionOf(static_cast<pid_t>(std::atol(pid.c_str())));
    return ours_.sharesDisplaysWith(ProcessSession::fromEnvironment(*environment, session));
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
    while (const dirent* entry = ::readdir(dir)) {
        // The name alone first (a cheap file, which anyone may read, as ps does); the full
        // record only for a likely match, and only of a process of ours: a process of
        // another user is never ours to stop, and its other files are not even read.
        if (!isPid(entry->d_name)) continue;
        const auto name = processName(directory, entry->d_name);
        if (!name) continue;
        if (std::none_of(executables.begin(), executables.end(),
                         [&](const std::string& e) { return commOf(e) == *name; }))
            continue;
        if (auto executable = match(directory, entry->d_name, executables)) {
            found.push_back({std::atoi(entry->d_name), *executable});
        }
    }
    std::sort(found.begin(), found.end(),
              [](const RunningProcess& a, const RunningProcess& b) { return a.pid < b.pid; });

    // Hold each found process; forget the ones of these executables that were not found.
    std::vector<RunningProcess> held;
    for (const auto& process : found) {
        if (hold(directory, process)) held.push_back(process);
    }
    ::closedir(dir);
    std::vector<int> gone;
    for (const auto& [pid, known] : known_) {
        const bool asked = std::find(executables.begin(), executables.end(),
                                     known->process.executable) != executables.end();
        const bool listed = std::find(held.begin(), held.end(), known->process) != held.end();
        if (asked && !listed) gone.push_back(pid);
    }
    for (int pid : gone) {
        Known& known = *known_.at(pid);
        if (known.handle.valid() && !known.handle.hasEnded()) {
            known.listed = false;
        } else {
            forget(pid, true);
        }
    }
    return held;
}

bool ProcProcesses::hold(int directory, const RunningProcess& process) {
    if (auto it = known_.find(process.pid); it != known_.end()) {
        const Known& known = *it->second;
        if (known.process == process && (!known.handle.valid() || !known.handle.hasEnded())) {
            it->second->listed = true;
            return true;
        }
        forget(process.pid, true);  // ended, and its id now belongs to another process
    }
    ProcessHandle handle = ProcessHandle::open(process.pid);
    if (!handle.valid() && errno == ESRCH) return false;
    if (!handle.valid()) {
        logOnce("pidfd_open", std::string("Running programs can be listed but not stopped: ") +
                                  "pidfd_open failed: " + std::strerror(errno));
    } else {
        // The id may have changed hands between the check and the open. Check it again: if
        // the process held is still alive after that, the check was of this process.
        const auto again = match(directory, std::to_string(process.pid), {process.executable});
        if (!again || handle.hasEnded()) return false;
    }
    auto known = std::make_unique<Known>();
    known->process = process;
    known->handle = std::move(handle);
    if (known->handle.valid()) {
        known->watch = loop_.watchReadable(known->handle.fd(),
                                           alive_.guard([this, pid = process.pid] { ended(pid); }));
    }
    known_[process.pid] = std::move(known);
    return true;
}

Status ProcProcesses::terminate(const RunningProcess& process) {
    auto it = known_.find(process.pid);
    if (it == known_.end() || it->second->process != process || !it->second->listed) {
        return Status::failure("it is not running (any more)");
    }
    if (!it->second->handle.valid()) {
        return Status::failure("this kernel can't signal a process without risking another");
    }
    return it->second->handle.signal(SIGTERM);
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
    const ProcessHandle& handle = it->second->handle;
    const bool report = reportIfEnded && handle.valid() && handle.hasEnded();
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
