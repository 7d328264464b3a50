#include "Platform/Linux/SignalWatcher.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace vesperine {

namespace {
sigset_t terminationSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}
}  // namespace

void SignalWatcher::blockTerminationSignals() {
    sigset_t set = terminationSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

SignalWatcher::SignalWatcher(IoWatcher& loop, std::function<void(int)> onSignal)
    : onSignal_(std::move(onSignal)) {
    sigset_t set = terminationSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    fd_ = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd_ >= 0) watch_ = loop.watchReadable(fd_, [this] { drain(); });
}

SignalWatcher::~SignalWatcher() {
    watch_.cancel();
    if (fd_ >= 0) ::close(fd_);
}

void SignalWatcher::drain() {
    signalfd_siginfo info{};
    while (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        if (onSignal_) onSignal_(static_cast<int>(info.ssi_signo));
    }
}

}  // namespace vesperine
