#include "Platform/Linux/Instance/InstanceHandOver.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

#include "Platform/Linux/Instance/InstanceProtocol.h"

namespace vesperine {

namespace {

using Claim = SingleInstance::Claim;
using Outcome = SingleInstance::Outcome;

class Socket {
public:
    Socket() : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)) {}
    ~Socket() {
        if (fd_ >= 0) ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

constexpr int retryPauseMilliseconds = 20;

int millisecondsUntil(MonotonicTime deadline, const Scheduler& clock) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - clock.monotonicNow());
    return static_cast<int>(std::max<std::int64_t>(left.count(), 0));
}

// Waits until `fd` is ready for `events`; false once `deadline` has passed.
bool waitFor(int fd, short events, MonotonicTime deadline, const Scheduler& clock) {
    for (int left; (left = millisecondsUntil(deadline, clock)) > 0;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, left);
        if (ready > 0) return true;
        if (ready < 0 && errno != EINTR) return false;
    }
    return false;
}

bool sameUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::geteuid();
}

}  // namespace

InstanceHandOver::Answer InstanceHandOver::send(const std::string& socketPath,
                                                SingleInstance::Request request,
                                                const Scheduler& clock, Duration patience) {
    const MonotonicTime deadline = clock.monotonicNow() + patience;
    const Claim silent{Outcome::noAnswer,
                       "did not answer within " +
                           std::to_string(static_cast<int>(std::lround(toSeconds(patience)))) +
                           " s"};
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) {
        return {Outcome::noAnswer, "cannot be reached: its socket path is too long"};
    }
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);

    // The running instance may be between taking the lock and listening, or have a full queue
    // of waiting launches: try again until the deadline, never blocking in connect.
    std::optional<Socket> socket;
    for (;;) {
        socket.emplace();
        const int fd = socket->fd();
        if (fd >= 0 &&
            ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            break;
        }
        const int error = errno;
        if (fd < 0 || (error != EAGAIN && error != ENOENT && error != ECONNREFUSED)) {
            return {Outcome::noAnswer, "cannot be reached: " + std::string(std::strerror(error))};
        }
        const int left = millisecondsUntil(deadline, clock);
        if (left <= 0) return silent;
        ::poll(nullptr, 0, std::min(left, retryPauseMilliseconds));
    }
    const int fd = socket->fd();
    // Whoever listens learns our request; talk only to a listener of our own user.
    if (!sameUser(fd))
        return {Outcome::noAnswer, "listens on a socket of another user; not talking to it"};

    const std::string_view line = InstanceProtocol::requestLine(request);
    std::size_t sent = 0;
    while (sent < line.size()) {
        const ssize_t n = ::send(fd, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!waitFor(fd, POLLOUT, deadline, clock)) return silent;
        } else {
            return {Outcome::noAnswer, "closed the connection without answering"};
        }
    }

    // The whole line is with the instance now: one that answers late may still act on it.
    const Claim late{Outcome::unanswered, silent.detail};
    std::string answer;
    while (answer.find('\n') == std::string::npos && answer.size() < InstanceProtocol::maxLine) {
        char buffer[InstanceProtocol::maxLine];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            answer.append(buffer, static_cast<std::size_t>(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!waitFor(fd, POLLIN, deadline, clock)) return late;
        } else {
            break;
        }
    }
    if (answer == InstanceProtocol::done) return {Outcome::handedOver, {}};
    if (answer == InstanceProtocol::steppingAside) {
        Answer stepping(Claim{});
        stepping.stepsAside = true;
        return stepping;
    }
    if (answer == InstanceProtocol::unsupported)
        return {Outcome::refused, "cannot take this request"};
    return {Outcome::noAnswer, "closed the connection without answering"};
}

}  // namespace vesperine
