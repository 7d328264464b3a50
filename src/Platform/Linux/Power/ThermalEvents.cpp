#include "Platform/Linux/Power/ThermalEvents.h"

#include <fcntl.h>
#include <linux/genetlink.h>
#include <linux/netlink.h>
#include <linux/thermal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

namespace vesperine {

namespace {

constexpr std::size_t bufferSize = 16384;

std::string describe(const char* what, int error) {
    return std::string(what) + ": " + std::strerror(error);
}

// Calls `f(type, payload, length)` for each attribute in [data, data + size).
template <class F>
void forEachAttribute(const char* data, std::size_t size, F f) {
    while (size >= NLA_HDRLEN) {
        nlattr attribute;
        std::memcpy(&attribute, data, sizeof attribute);
        if (attribute.nla_len < NLA_HDRLEN || attribute.nla_len > size) return;
        f(attribute.nla_type & NLA_TYPE_MASK, data + NLA_HDRLEN, attribute.nla_len - NLA_HDRLEN);
        const std::size_t step = NLA_ALIGN(attribute.nla_len);
        if (step >= size) return;
        data += step;
        size -= step;
    }
}

struct Family {
    std::uint16_t id = 0;
    std::optional<std::uint32_t> eventGroup;
};

// Asks the generic netlink controller for the thermal family and its event group.
Result<Family> resolve(int fd) {
    struct {
        nlmsghdr header;
        genlmsghdr genl;
        char attributes[NLA_ALIGN(NLA_HDRLEN + sizeof THERMAL_GENL_FAMILY_NAME)];
    } request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = GENL_ID_CTRL;
    request.header.nlmsg_flags = NLM_F_REQUEST;
    request.header.nlmsg_seq = 1;
    request.genl.cmd = CTRL_CMD_GETFAMILY;
    request.genl.version = 1;
    nlattr name{static_cast<std::uint16_t>(NLA_HDRLEN + sizeof THERMAL_GENL_FAMILY_NAME),
                CTRL_ATTR_FAMILY_NAME};
    std::memcpy(request.attributes, &name, sizeof name);
    std::memcpy(request.attributes + NLA_HDRLEN, THERMAL_GENL_FAMILY_NAME,
                sizeof THERMAL_GENL_FAMILY_NAME);
    if (::send(fd, &request, sizeof request, 0) < 0) {
        return Error{describe("Couldn't ask the kernel for its thermal events", errno)};
    }
    std::vector<char> reply(bufferSize);
    const ssize_t got = ::recv(fd, reply.data(), reply.size(), 0);
    if (got < 0) return Error{describe("The kernel didn't say whether it has thermal events", errno)};
    auto* header = reinterpret_cast<const nlmsghdr*>(reply.data());
    if (!NLMSG_OK(header, static_cast<std::size_t>(got))) {
        return Error{"The kernel's answer about thermal events was malformed"};
    }
    if (header->nlmsg_type == NLMSG_ERROR) {
        nlmsgerr error{};
        std::memcpy(&error, NLMSG_DATA(header), std::min(sizeof error, std::size_t(NLMSG_PAYLOAD(header, 0))));
        if (error.error == -ENOENT) return Error{"the kernel has no thermal events"};
        return Error{describe("The kernel refused to describe its thermal events", -error.error)};
    }
    if (NLMSG_PAYLOAD(header, 0) < GENL_HDRLEN) {
        return Error{"The kernel's answer about thermal events was malformed"};
    }
    Family family;
    const char* attributes = static_cast<const char*>(NLMSG_DATA(header)) + GENL_HDRLEN;
    forEachAttribute(attributes, NLMSG_PAYLOAD(header, 0) - GENL_HDRLEN,
                     [&](int type, const char* payload, std::size_t length) {
        if (type == CTRL_ATTR_FAMILY_ID && length >= sizeof(std::uint16_t)) {
            std::memcpy(&family.id, payload, sizeof family.id);
        }
        if (type != CTRL_ATTR_MCAST_GROUPS) return;
        forEachAttribute(payload, length, [&](int, const char* group, std::size_t groupLength) {
            std::string groupName;
            std::optional<std::uint32_t> groupId;
            forEachAttribute(group, groupLength, [&](int field, const char* value, std::size_t size) {
                if (field == CTRL_ATTR_MCAST_GRP_NAME) groupName.assign(value, strnlen(value, size));
                if (field == CTRL_ATTR_MCAST_GRP_ID && size >= sizeof(std::uint32_t)) {
                    std::uint32_t id = 0;
                    std::memcpy(&id, value, sizeof id);
                    groupId = id;
                }
            });
            if (groupName == THERMAL_GENL_EVENT_GROUP_NAME) family.eventGroup = groupId;
        });
    });
    if (family.id == 0 || !family.eventGroup) {
        return Error{"the kernel's thermal family has no event group"};
    }
    return family;
}

}  // namespace

Result<std::unique_ptr<ThermalEvents>> ThermalEvents::open(
    IoWatcher& loop, std::function<void()> onEvent,
    std::function<void(const std::string& reason)> onFailure) {
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_GENERIC);
    if (fd < 0) return Error{describe("Couldn't open a netlink socket", errno)};
    auto fail = [fd](Error error) {
        ::close(fd);
        return error;
    };
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0) {
        return fail(Error{describe("Couldn't bind a netlink socket", errno)});
    }
    // The controller answers within the send; the timeout only bounds a kernel that doesn't.
    timeval patience{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    auto family = resolve(fd);
    if (!family) return fail(family.error());
    const std::uint32_t group = *family->eventGroup;
    if (::setsockopt(fd, SOL_NETLINK, NETLINK_ADD_MEMBERSHIP, &group, sizeof group) < 0) {
        const int error = errno;
        if (error == EPERM || error == EACCES) {
            return fail(Error{"this kernel keeps its thermal events to privileged users"});
        }
        return fail(Error{describe("Couldn't join the kernel's thermal events", error)});
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);

    std::unique_ptr<ThermalEvents> events(new ThermalEvents(fd, family->id));
    events->onEvent_ = std::move(onEvent);
    events->onFailure_ = std::move(onFailure);
    events->watch_ = loop.watchReadable(fd, events->alive_.guard([raw = events.get()] { raw->drain(); }));
    return events;
}

ThermalEvents::~ThermalEvents() {
    watch_.cancel();
    ::close(fd_);
}

bool ThermalEvents::holdsZoneEvent(const void* data, std::size_t size, std::uint16_t family) {
    // Copied out, so that a datagram at any address can be walked with the aligned macros.
    std::vector<char> copy(static_cast<const char*>(data), static_cast<const char*>(data) + size);
    auto* header = reinterpret_cast<const nlmsghdr*>(copy.data());
    for (unsigned int left = static_cast<unsigned int>(size); NLMSG_OK(header, left);
         header = NLMSG_NEXT(header, left)) {
        if (header->nlmsg_type != family || NLMSG_PAYLOAD(header, 0) < GENL_HDRLEN) continue;
        const auto* genl = static_cast<const genlmsghdr*>(NLMSG_DATA(header));
        if (genl->cmd >= THERMAL_GENL_EVENT_TZ_CREATE && genl->cmd <= THERMAL_GENL_EVENT_TZ_TRIP_DELETE) {
            return true;
        }
    }
    return false;
}

void ThermalEvents::drain() {
    std::vector<char> buffer(bufferSize);
    bool heard = false;
    for (;;) {
        const ssize_t got = ::recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
        if (got >= 0) {
            // A datagram larger than the buffer was cut short: count it as a zone event.
            heard = heard || static_cast<std::size_t>(got) > buffer.size() ||
                    holdsZoneEvent(buffer.data(), static_cast<std::size_t>(got), family_);
            continue;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) break;
        if (errno == ENOBUFS) {  // the kernel dropped events while we were slow
            heard = true;
            continue;
        }
        const std::string reason = describe("The kernel's thermal events failed", errno);
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
