#include "Platform/Linux/System/ClockChangeWatch.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>

namespace vesperine {

Result<std::unique_ptr<ClockChangeWatch>> ClockChangeWatch::start(IoWatcher& loop,
                                                                  std::function<void()> onChange) {
    const int fd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd < 0) return Error{std::string("timerfd_create: ") + std::strerror(errno)};
    std::unique_ptr<ClockChangeWatch> watch(new ClockChangeWatch(fd, std::move(onChange)));
    if (!watch->arm()) return Error{std::string("timerfd_settime: ") + std::strerror(errno)};
    watch->watch_ = loop.watchReadable(fd, [raw = watch.get()] { raw->readable(); });
    return watch;
}

ClockChangeWatch::ClockChangeWatch(int fd, std::function<void()> onChange)
    : fd_(fd), onChange_(std::move(onChange)) {}

ClockChangeWatch::~ClockChangeWatch() {
    watch_.cancel();
    ::close(fd_);
}

bool ClockChangeWatch::arm() {
    // A timer that never expires: it exists only to be cancelled when the clock is set.
    itimerspec farFuture{};
    farFuture.it_value.tv_sec = std::numeric_limits<time_t>::max();
    return ::timerfd_settime(fd_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &farFuture,
                             nullptr) == 0;
}

void ClockChangeWatch::readable() {
    std::uint64_t expirations = 0;
    if (::read(fd_, &expirations, sizeof expirations) >= 0 || errno != ECANCELED) return;
    // A cancelled timer stays cancelled (and readable) until it is armed again.
    arm();
    if (onChange_) onChange_();
}

}  // namespace vesperine
