#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Linux/Process/ProcessHandle.h"
#include "Support/Result.h"

namespace vesperine {

// The other running instances of the program: the processes of this user that hold the
// instance lock ("<bundle id>.lock": its flock, as /proc/locks lists it) in the runtime
// folder a launch with this environment uses, the first of `folders` that exists and is
// private, as the single-instance lock chooses it, and that run a build of this program
// (BuildIdentity of the file they run). A process that merely has the lock file open (a
// `tail -f` of it), a lock taken by another program, a copy started with other folders (a
// test's own) and anything of another user are none.
//
// Each is held by a pidfd taken before it is checked, and signalled through it, so a
// process id that changes hands meanwhile is never signalled.
class RunningInstances {
public:
    RunningInstances(std::vector<std::string> folders, std::string bundleId);

    // The instances, this process excepted.
    std::vector<ProcessHandle> find() const;
    // Sends each of them SIGTERM (they give the displays back and quit) and waits until all
    // have ended or let go of the lock, for `patience` at most.
    Status endAll(std::chrono::milliseconds patience) const;

    // The processes holding a flock on the file (`device`, `inode`), from the text of
    // /proc/locks: "1: FLOCK  ADVISORY  WRITE 4711 00:2d:31 0 EOF", the device's major and
    // minor number in hexadecimal. Requests still waiting for a lock ("->") hold none; a
    // holder outside this process's view of the processes shows as 0.
    static std::vector<pid_t> lockHolders(std::string_view locks, dev_t device, ino_t inode);

private:
    std::string lockFile() const;

    std::vector<std::string> folders_;
    std::string bundleId_;
};

}  // namespace vesperine
