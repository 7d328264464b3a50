#include "Platform/Linux/System/TimeZoneWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vesperine {

Result<std::unique_ptr<TimeZoneWatch>> TimeZoneWatch::start(IoWatcher& loop,
                                                            const std::string& directory,
                                                            std::vector<std::string> names,
                                                            std::function<void()> onChange) {
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return Error{std::string("inotify_init1: ") + std::strerror(errno)};
    constexpr std::uint32_t mask = IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM |
                                   IN_CLOSE_WRITE | IN_ATTRIB | IN_DONT_FOLLOW;
    if (::inotify_add_watch(fd, directory.c_str(), mask) < 0) {
        const std::string reason = std::strerror(errno);
        ::close(fd);
        return Error{"inotify_add_watch " + directory + ": " + reason};
    }
    std::unique_ptr<TimeZoneWatch> watch(
        new TimeZoneWatch(fd, std::move(names), std::move(onChange)));
    watch->watch_ = loop.watchReadable(fd, [raw = watch.get()] { raw->readable(); });
    return watch;
}

TimeZoneWatch::TimeZoneWatch(int fd, std::vector<std::string> names, std::function<void()> onChange)
    : fd_(fd), names_(std::move(names)), onChange_(std::move(onChange)) {}

TimeZoneWatch::~TimeZoneWatch() {
    watch_.cancel();
    ::close(fd_);
}

void TimeZoneWatch::readable() {
    alignas(inotify_event) char buffer[4096];
    bool changed = false;
    for (;;) {
        const ssize_t length = ::read(fd_, buffer, sizeof buffer);
        if (length <= 0) break;
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            // An overflowed queue has lost events: one of them may have been ours.
            if (event->mask & IN_Q_OVERFLOW) changed = true;
            if (event->len > 0) {
                const std::string name(event->name);
                if (std::find(names_.begin(), names_.end(), name) != names_.end()) changed = true;
            }
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    if (changed && onChange_) onChange_();
}

}  // namespace vesperine
