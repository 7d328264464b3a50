#include "Platform/Linux/Process/ProcessHandle.h"

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace vesperine {

ProcessHandle::~ProcessHandle() {
    if (fd_ >= 0) ::close(fd_);
}

ProcessHandle::ProcessHandle(ProcessHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), pid_(std::exchange(other.pid_, 0)) {}

ProcessHandle& ProcessHandle::operator=(ProcessHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        pid_ = std::exchange(other.pid_, 0);
    }
    return *this;
}

// Through syscall(2): this glibc declares its pidfd wrappers without C linkage for C++.
ProcessHandle ProcessHandle::open(pid_t pid) {
    ProcessHandle handle;
    if (pid <= 0) {
        errno = ESRCH;
        return handle;
    }
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0) return handle;
    // A pidfd is close-on-exec: a relaunch by exec does not carry it into the new program.
    handle.fd_ = fd;
    handle.pid_ = pid;
    return handle;
}

bool ProcessHandle::hasEnded() const {
    if (fd_ < 0) return true;
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

Status ProcessHandle::signal(int signal) const {
    if (fd_ < 0) return Status::failure("the process is not held");
    if (::syscall(SYS_pidfd_send_signal, fd_, signal, nullptr, 0) != 0) {
        return Status::failure(std::strerror(errno));
    }
    return success();
}

}  // namespace vesperine
