#include "Platform/Linux/Power/PowerSupplyEvents.h"

#include <fcntl.h>
#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

namespace vesperine {

namespace {

// The kernel's own multicast group on the uevent socket; udev re-broadcasts on group 2 in a
// format of its own, which we neither need nor parse.
constexpr unsigned kernelGroup = 1;
// A uevent is at most a few kilobytes (the kernel's own buffer is 2 KiB of fields).
constexpr std::size_t bufferSize = 8192;

std::string describe(const char* what, int error) {
    return std::string(what) + ": " + std::strerror(error);
}

}  // namespace

Result<std::unique_ptr<PowerSupplyEvents>> PowerSupplyEvents::open(
    IoWatcher& loop, std::function<void()> onEvent,
    std::function<void(const std::string& reason)> onFailure) {
    const int fd =
        ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_KOBJECT_UEVENT);
    if (fd < 0) return Error{describe("Couldn't open the kernel's device events", errno)};
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = kernelGroup;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0) {
        const int error = errno;
        ::close(fd);
        return Error{describe("Couldn't listen to the kernel's device events", error)};
    }
    std::unique_ptr<PowerSupplyEvents> events(new PowerSupplyEvents(fd));
    events->onEvent_ = std::move(onEvent);
    events->onFailure_ = std::move(onFailure);
    events->watch_ =
        loop.watchReadable(fd, events->alive_.guard([raw = events.get()] { raw->drain(); }));
    return events;
}

PowerSupplyEvents::~PowerSupplyEvents() {
    watch_.cancel();
    ::close(fd_);
}

bool PowerSupplyEvents::holdsPowerSupplyEvent(const char* data, std::size_t size) {
    std::string_view rest(data, size);
    // The header, "ACTION@DEVPATH", tells a kernel event from udev's (which begins "libudev").
    const auto header = rest.substr(0, rest.find('\0'));
    if (header.find('@') == std::string_view::npos) return false;
    while (!rest.empty()) {
        const auto end = rest.find('\0');
        if (rest.substr(0, end) == "SUBSYSTEM=power_supply") return true;
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return false;
}

void PowerSupplyEvents::drain() {
    std::vector<char> buffer(bufferSize);
    bool heard = false;
    for (;;) {
        const ssize_t got = ::recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
        if (got >= 0) {
            // A datagram larger than the buffer was cut short: the field may be in the part
            // lost, so count it.
            heard = heard || static_cast<std::size_t>(got) > buffer.size() ||
                    holdsPowerSupplyEvent(buffer.data(), static_cast<std::size_t>(got));
            continue;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) break;
        if (errno == ENOBUFS) {  // the kernel dropped events while we were slow
            heard = true;
            continue;
        }
        const std::string reason = describe("The kernel's device events failed", errno);
        watch_.cancel();
        auto onFailure = onFailure_;  // a copy: the call may destroy this object
        if (onFailure) onFailure(reason);
        return;
    }
    if (!heard) return;
    auto onEvent = onEvent_;
    if (onEvent) onEvent();
}

}  // namespace vesperine
