#include "Platform/Linux/LockFileSingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vesperine {

namespace {

constexpr char activateMessage[] = "activate\n";

bool fillAddress(sockaddr_un& address, const std::string& path) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

LockFileSingleInstance::LockFileSingleInstance(IoWatcher& loop, Logger& logger,
                                               std::string runtimeDir, std::string bundleId)
    : loop_(loop),
      log_(logger, "state"),
      lockPath_(runtimeDir + "/" + bundleId + ".lock"),
      socketPath_(runtimeDir + "/" + bundleId + ".socket") {}

LockFileSingleInstance::~LockFileSingleInstance() {
    watch_.cancel();
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(socketPath_.c_str());
    }
    if (lockFd_ >= 0) ::close(lockFd_);  // releases the lock
}

bool LockFileSingleInstance::claimOrActivateOther() {
    if (lockFd_ >= 0) return true;
    int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        // Without a lock file we cannot tell; running twice is better than not running.
        log_.error("Couldn't open the instance lock %s: %s", lockPath_.c_str(), std::strerror(errno));
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        if (!askOtherToActivate()) {
            log_.error("Another instance holds %s but did not answer", lockPath_.c_str());
        }
        return false;
    }
    lockFd_ = fd;
    listen();
    return true;
}

void LockFileSingleInstance::listen() {
    sockaddr_un address{};
    if (!fillAddress(address, socketPath_)) return;
    ::unlink(socketPath_.c_str());  // left by a holder that died; we hold the lock now
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0) return;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 8) != 0) {
        log_.error("Couldn't listen on %s: %s", socketPath_.c_str(), std::strerror(errno));
        ::close(listenFd_);
        listenFd_ = -1;
        return;
    }
    watch_ = loop_.watchReadable(listenFd_, [this] { acceptOne(); });
}

void LockFileSingleInstance::acceptOne() {
    int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    // The peer writes its few bytes right after connecting; a peer that does not is dropped.
    timeval timeout{0, 200'000};
    ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    char buffer[32] = {0};
    ssize_t n = ::read(client, buffer, sizeof buffer - 1);
    ::close(client);
    if (n > 0 && std::strncmp(buffer, activateMessage, sizeof activateMessage - 1) == 0 && onActivate_) {
        onActivate_();
    }
}

bool LockFileSingleInstance::askOtherToActivate() {
    sockaddr_un address{};
    if (!fillAddress(address, socketPath_)) return false;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool sent = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                ::write(fd, activateMessage, sizeof activateMessage - 1) ==
                    static_cast<ssize_t>(sizeof activateMessage - 1);
    ::close(fd);
    return sent;
}

}  // namespace vesperine
