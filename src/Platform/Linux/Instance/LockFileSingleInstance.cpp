#include "Platform/Linux/Instance/LockFileSingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "Platform/Linux/Instance/InstanceHandOver.h"
#include "Platform/Linux/Instance/InstanceProtocol.h"
#include "Platform/Linux/Instance/RunningInstances.h"

namespace vesperine {

namespace {

constexpr int listenBacklog = 32;

bool fillAddress(sockaddr_un& address, const std::string& path) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

std::optional<uid_t> peerUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) return std::nullopt;
    return peer.uid;
}

// True when the other end has closed: a launch that gave up waiting is not served late.
bool peerHasGone(int fd) {
    pollfd entry{fd, POLLRDHUP, 0};
    return ::poll(&entry, 1, 0) > 0 && (entry.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

// The pid of the process holding the instance lock on the file `device`:`inode` (only
// exclusive locks are ever taken on it).
Result<std::optional<pid_t>> flockHolder(dev_t device, ino_t inode) {
    std::ifstream locks("/proc/locks");
    if (!locks) return Error{"/proc/locks cannot be read"};
    const auto holders = RunningInstances::lockHolders(
        std::string(std::istreambuf_iterator<char>(locks), {}), device, inode);
    if (holders.empty()) return std::optional<pid_t>();
    if (holders.front() == 0) return Error{"the lock is held by a process this one cannot see"};
    return std::optional<pid_t>(holders.front());
}

}  // namespace

// A later launch that has connected and not yet been answered.
struct LockFileSingleInstance::Launch {
    explicit Launch(int descriptor) : fd(descriptor) {}
    ~Launch() {
        watch.cancel();
        ::close(fd);
    }
    int fd;
    std::string received;
    IoWatch watch;
    Timer expiry;
};

LockFileSingleInstance::LockFileSingleInstance(IoWatcher& watcher, Scheduler& scheduler,
                                               Logger& logger, std::vector<std::string> folders,
                                               std::string bundleId)
    : watcher_(watcher),
      scheduler_(scheduler),
      log_(logger, "state"),
      folders_(std::move(folders)),
      lockName_(bundleId + ".lock"),
      socketName_(bundleId + ".socket") {}

LockFileSingleInstance::~LockFileSingleInstance() {
    launches_.clear();
    watch_.cancel();
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlinkat(folder_->descriptor(), socketName_.c_str(), 0);
    }
    if (lockFd_ >= 0) ::close(lockFd_);  // releases the lock
}

Result<std::optional<pid_t>> LockFileSingleInstance::holder(const std::vector<std::string>& folders,
                                                            const std::string& bundleId) {
    const std::string name = bundleId + ".lock";
    for (const std::string& candidate : folders) {
        auto folder = PrivateFolder::open(candidate);
        if (!folder) continue;
        const int fd = ::openat(folder->descriptor(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) return std::optional<pid_t>();
        if (fd < 0) continue;  // skipped by a claim too
        struct stat file {};
        const bool known = ::fstat(fd, &file) == 0;
        ::close(fd);
        if (!known) break;
        return flockHolder(file.st_dev, file.st_ino);
    }
    return Error{"no private folder holds the instance lock"};
}

SingleInstance::Claim LockFileSingleInstance::claimOrHandOver(Request request) {
    if (lockFd_ >= 0) return {};
    for (const std::string& candidate : folders_) {
        auto folder = PrivateFolder::open(candidate);
        if (!folder) {
            log_.notice("Not keeping the instance lock in %s: %s", candidate.c_str(),
                        folder.error().description.c_str());
            continue;
        }
        auto lock = folder->openOwnFile(lockName_);
        if (!lock) {
            log_.notice("Not keeping the instance lock in %s: %s", candidate.c_str(),
                        lock.error().description.c_str());
            continue;
        }
        folder_ = std::move(folder).value();
        if (::flock(*lock, LOCK_EX | LOCK_NB) != 0) {
            auto claim = takeOver(*lock, request);
            if (claim.outcome != Outcome::claimed) {
                ::close(*lock);
                return claim;
            }
        }
        lockFd_ = *lock;
        listen();
        return {};
    }
    // Running twice is better than not running at all.
    log_.error(
        "No private folder for the instance lock; running without single-instance "
        "protection, so a second launch will start a second instance");
    return {};
}

SingleInstance::Claim LockFileSingleInstance::takeOver(int lock, Request request) {
    // Who holds the lock now; none when nobody does or it cannot be told.
    const auto holderOf = [lock]() -> std::optional<pid_t> {
        struct stat file {};
        if (::fstat(lock, &file) != 0) return std::nullopt;
        const auto holder = flockHolder(file.st_dev, file.st_ino);
        return holder ? holder.value() : std::nullopt;
    };
    const std::string socket = folder_->entryPath(socketName_);
    const std::optional<pid_t> first = holderOf();
    auto answer = InstanceHandOver::send(socket, request, scheduler_, exchangeLimit);
    if (!answer.stepsAside) return answer.claim;

    // It gives the displays back and lets go of the lock: this launch starts in its place.
    const MonotonicTime deadline = scheduler_.monotonicNow() + stepAsideLimit;
    while (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        // Another launch it stepped aside for may have taken the place first: that one is
        // the instance to hand over to.
        if (const auto now = holderOf(); first && now && *now != *first) {
            answer = InstanceHandOver::send(socket, request, scheduler_, exchangeLimit);
            if (answer.stepsAside) return {Outcome::noAnswer, "is ending for another launch"};
            return answer.claim;
        }
        if (scheduler_.monotonicNow() >= deadline) {
            return {Outcome::noAnswer, "said it would end for this launch, and still runs after " +
                                           std::to_string(std::lround(toSeconds(stepAsideLimit))) +
                                           " s"};
        }
        ::poll(nullptr, 0, 20);
    }
    log_.notice(
        "The running instance, which held a pick without windows, has ended for this "
        "launch, which starts in its place");
    return {};
}

void LockFileSingleInstance::stopListening() {
    watch_.cancel();
    if (listenFd_ < 0) return;
    ::close(listenFd_);
    listenFd_ = -1;
    // Later launches find no socket and wait for the next holder's, instead of queueing on
    // one that will never answer.
    ::unlinkat(folder_->descriptor(), socketName_.c_str(), 0);
}

void LockFileSingleInstance::listen() {
    const std::string shown = folder_->path() + "/" + socketName_;
    sockaddr_un address{};
    if (!fillAddress(address, folder_->entryPath(socketName_))) return;
    ::unlinkat(folder_->descriptor(), socketName_.c_str(), 0);  // left by a holder that died
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0 ||
        ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, listenBacklog) != 0) {
        log_.error("Couldn't listen on %s: %s; later launches will not reach this instance",
                   shown.c_str(), std::strerror(errno));
        if (listenFd_ >= 0) ::close(listenFd_);
        listenFd_ = -1;
        return;
    }
    watch_ = watcher_.watchReadable(listenFd_, [this] { acceptWaiting(); });
}

void LockFileSingleInstance::acceptWaiting() {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;  // none left (or out of descriptors: the waiting ones time out)
        auto launch = std::make_unique<Launch>(fd);
        if (const auto user = peerUser(fd); !user || *user != ::geteuid()) {
            log_.error("Ignored a connection to the instance socket from user %d",
                       user ? static_cast<int>(*user) : -1);
            continue;
        }
        if (launches_.size() >= maxWaitingLaunches) launches_.erase(launches_.begin());
        const std::uint64_t id = nextLaunch_++;
        launch->watch = watcher_.watchReadable(fd, [this, id] { read(id); });
        launch->expiry = scheduler_.oneShot(exchangeLimit, [this, id] { launches_.erase(id); });
        launches_.emplace(id, std::move(launch));
    }
}

void LockFileSingleInstance::read(std::uint64_t id) {
    const auto found = launches_.find(id);
    if (found == launches_.end()) return;
    Launch& launch = *found->second;
    char buffer[InstanceProtocol::maxLine];
    const ssize_t n = ::recv(launch.fd, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (n > 0) launch.received.append(buffer, static_cast<std::size_t>(n));
    const bool complete = launch.received.find('\n') != std::string::npos;
    if (n > 0 && !complete && launch.received.size() < InstanceProtocol::maxLine) return;

    // Answered or not, this launch is done: take it out before the request runs.
    const std::unique_ptr<Launch> done = std::move(found->second);
    launches_.erase(found);
    if (!complete || peerHasGone(done->fd)) return;
    const auto request = InstanceProtocol::parseRequest(done->received);
    if (request && onStepAside_) {
        const auto line = InstanceProtocol::steppingAside;
        (void)::send(done->fd, line.data(), line.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        stopListening();
        const auto stepAside = onStepAside_;  // it may let go of itself
        stepAside();
        return;
    }
    std::string_view answer = InstanceProtocol::unsupported;
    if (request && onRequest_) {
        onRequest_(*request);
        answer = InstanceProtocol::done;
    }
    // A few bytes into an empty socket buffer: never blocks, and a launch gone meanwhile
    // raises no SIGPIPE.
    (void)::send(done->fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

}  // namespace vesperine
