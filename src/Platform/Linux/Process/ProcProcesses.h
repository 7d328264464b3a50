#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "Platform/IoWatcher.h"
#include "Platform/Linux/Process/ProcessSession.h"
#include "Platform/Logger.h"
#include "Platform/Processes.h"
#include "Platform/Scheduler.h"
#include "Support/Alive.h"
#include "Support/CallbackList.h"

namespace vesperine {

// This user's processes on our displays, read from /proc. A process's executable name is the
// kernel's name for it (its `comm`, the file it was started from, cut to 15 characters); a
// longer name is confirmed against the start of its command line. Zombies are not running.
// Processes owned by another user are never listed, so never signalled; nor are those of
// this user that work on other displays (`ProcessSession::sharesDisplaysWith`: another
// login session, or an environment that names another X display and Wayland socket).
//
// Every listed process is held by a pidfd (ProcessHandle) and checked again once held:
// `terminate` signals through it, so a process id that was reused after the listing reaches
// no other program, and the pidfd turning readable on the loop is how its end is heard (no
// polling). The /proc root and our own session are injectable for tests; the pidfds and
// login sessions are always of real process ids.
class ProcProcesses final : public Processes {
  public:
    ProcProcesses(IoWatcher& loop, Scheduler& scheduler, Logger& logger,
                  std::string root = "/proc",
                  ProcessSession ours = ProcessSession::ofThisProcess());
    ~ProcProcesses() override;

    std::vector<RunningProcess> list(const std::vector<std::string>& executables) override;
    Status terminate(const RunningProcess& process) override;
    Handle observeExits(std::function<void(const RunningProcess&)> onExit) override {
        return exits_.add(std::move(onExit));
    }

    // The comm of a process with this executable name: the kernel keeps 15 characters.
    static std::string commOf(const std::string& executable) { return executable.substr(0, 15); }

  private:
    struct Known;

    // Which of `executables` process `pid` runs, when it is a live process of this user on
    // our displays; none otherwise.
    std::optional<std::string> match(int directory, const std::string& pid,
                                     const std::vector<std::string>& executables) const;
    bool onOurDisplays(int directory, const std::string& pid) const;
    // Holds `process`, just matched; false when it has gone or turned out to be another.
    bool hold(int directory, const RunningProcess& process);
    void ended(int pid);
    void forget(int pid, bool reportIfEnded);
    void logOnce(const std::string& cause, const std::string& message);

    IoWatcher& loop_;
    Scheduler& scheduler_;
    Log log_;
    std::string root_;
    ProcessSession ours_;
    std::map<int, std::unique_ptr<Known>> known_;
    std::string lastLogged_;
    CallbackList<RunningProcess> exits_;
    Alive alive_;
};

}  // namespace vesperine
