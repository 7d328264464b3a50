#include "Platform/Linux/Process/SignalWatcher.h"

#include <sys/signalfd.h>
#include <unistd.h>

namespace vesperine {

namespace {

constexpr int faultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGSYS};

// The actions the fault handler replaced, to give a real fault back to. A signal handler
// takes no user data, so they live here; written only by `prepareProcess`, before any
// thread starts.
struct sigaction previousFaultActions[NSIG];

void onFault(int signo, siginfo_t* info, void*) {
    // Codes of zero and below mean the signal was sent (kill, sigqueue, tgkill), not raised
    // by the faulting instruction.
    const bool sent = info->si_code <= 0;
    if (sent && info->si_pid != ::getpid()) {
        sigval original{};
        original.sival_int = signo;
        ::sigqueue(::getpid(), SIGTERM, original);
        return;
    }
    ::sigaction(signo, &previousFaultActions[signo], nullptr);
    // Sent by ourselves (abort-like): raised again, it arrives with the previous action as
    // soon as this handler returns. A real fault simply happens again.
    if (sent) ::raise(signo);
}

}  // namespace

sigset_t SignalWatcher::terminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF,
                       SIGIO, SIGPWR, SIGSTKFLT, SIGXCPU, SIGABRT, SIGTRAP}) {
        sigaddset(&set, signal);
    }
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) sigaddset(&set, signal);
    return set;
}

void SignalWatcher::prepareProcess() {
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGXFSZ, SIG_IGN);
    sigset_t set = terminationSignals();
    sigaddset(&set, toggleSignal);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);

    struct sigaction action {};
    action.sa_sigaction = &onFault;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;  // a sanitizer's alternate stack, if any
    sigemptyset(&action.sa_mask);
    for (int signal : faultSignals) {
        struct sigaction previous {};
        ::sigaction(signal, &action, &previous);
        // Called again, it must not keep itself as the action to give a fault back to.
        if (!(previous.sa_flags & SA_SIGINFO) || previous.sa_sigaction != &onFault) {
            previousFaultActions[signal] = previous;
        }
    }
}

SignalWatcher::SignalWatcher(IoWatcher& loop, std::function<void(int)> onTermination,
                             std::function<void()> onToggle)
    : onTermination_(std::move(onTermination)), onToggle_(std::move(onToggle)) {
    sigset_t set = terminationSignals();
    sigaddset(&set, toggleSignal);
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
        int signo = static_cast<int>(info.ssi_signo);
        if (signo == toggleSignal) {
            if (onToggle_) onToggle_();
            continue;
        }
        // A fault signal sent by someone else, passed on by the fault handler.
        if (signo == SIGTERM && info.ssi_code == SI_QUEUE &&
            info.ssi_pid == static_cast<uint32_t>(::getpid()) && info.ssi_int > 0) {
            signo = info.ssi_int;
        }
        if (onTermination_) onTermination_(signo);
    }
}

}  // namespace vesperine
