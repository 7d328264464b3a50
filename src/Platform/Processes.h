#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Support/Handle.h"
#include "Support/Result.h"

namespace vesperine {

// A process of this user, as a listing found it.
struct RunningProcess {
    int pid = 0;
    std::string executable;  // the name it was started as ("redshift"), no folder
    bool operator==(const RunningProcess&) const = default;
};

// The running programs of this user that work on our displays, by executable name: list
// some, ask one to quit, hear when one ends. One of another session (another login, another
// X display or Wayland session of the same user) draws on other screens: it is never listed,
// so never signalled. A process is known from the listing that found it until it ends or a later
// listing of its executable no longer finds it; `terminate` reaches only known processes,
// so a process id reused by another program after the listing is never signalled.
// Processes of other users are never listed or signalled either. Main loop only.
class Processes {
  public:
    virtual ~Processes() = default;

    // The processes whose executable is one of `executables`, in ascending process id.
    virtual std::vector<RunningProcess> list(const std::vector<std::string>& executables) = 0;
    // Asks a known process to quit (SIGTERM). Fails when it is not known or already gone.
    virtual Status terminate(const RunningProcess& process) = 0;
    // Calls `onExit` on the main loop when a known process ends (however it ends).
    [[nodiscard]] virtual Handle observeExits(
        std::function<void(const RunningProcess&)> onExit) = 0;
};

}  // namespace vesperine
