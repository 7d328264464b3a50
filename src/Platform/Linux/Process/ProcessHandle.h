#pragma once

#include <sys/types.h>

#include "Support/Result.h"

namespace vesperine {

// A process held by a pidfd. A signal sent through it reaches the process it was opened on
// or nobody: once that process has ended, its id may belong to another program, which the
// handle never reaches. The pidfd turns readable when the process ends. Move-only; the
// pidfd is closed when the handle goes.
class ProcessHandle {
public:
    ProcessHandle() = default;
    ~ProcessHandle();
    ProcessHandle(ProcessHandle&& other) noexcept;
    ProcessHandle& operator=(ProcessHandle&& other) noexcept;
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;

    // A handle on process `pid`; an empty one when it cannot be had, with errno set (ESRCH:
    // no such process; ENOSYS: a kernel without pidfds).
    static ProcessHandle open(pid_t pid);

    bool valid() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    pid_t pid() const { return pid_; }
    // Whether the process has ended (a zombie has). An empty handle has.
    bool hasEnded() const;
    // Sends `signal` to the process. Fails when the handle is empty or the process has ended.
    Status signal(int signal) const;

private:
    int fd_ = -1;
    pid_t pid_ = 0;
};

}  // namespace vesperine
