#include "Platform/Linux/Process/SignalWatcher.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "Platform/Qt/QtMainLoop.h"
#include "Spin.h"

using namespace vesperine;
using namespace std::chrono_literals;

// Every signal a user can send that would end the process arrives on the loop as a
// termination, SIGUSR1 as the toggle; the ones that only report a failed write do nothing.
TEST(SignalWatcher, EachSignalEndsCleanlyTogglesOrIsIgnored) {
    SignalWatcher::prepareProcess();
    QtMainLoop loop;
    std::vector<int> terminations;
    int toggles = 0;
    SignalWatcher watcher(
        loop, [&](int signo) { terminations.push_back(signo); }, [&] { ++toggles; });
    ASSERT_TRUE(watcher.isWatching());

    std::vector<int> ending = {SIGTERM,   SIGINT,  SIGHUP,   SIGQUIT,  SIGUSR2,     SIGALRM,
                               SIGVTALRM, SIGPROF, SIGIO,    SIGPWR,   SIGSTKFLT,   SIGXCPU,
                               SIGABRT,   SIGTRAP, SIGRTMIN, SIGRTMAX, SIGRTMIN + 3};
    for (int signo : ending) ::kill(::getpid(), signo);
    for (int signo : {SIGUSR1, SIGXFSZ, SIGPIPE}) ::kill(::getpid(), signo);

    EXPECT_TRUE(spin([&] { return terminations.size() == ending.size() && toggles == 1; }));
    spinFor(50ms);  // nothing more arrives
    std::sort(ending.begin(), ending.end());
    std::sort(terminations.begin(), terminations.end());
    EXPECT_EQ(terminations, ending);
    EXPECT_EQ(toggles, 1);
    sigset_t none;  // the children of later tests in this process start as usual
    sigemptyset(&none);
    pthread_sigmask(SIG_SETMASK, &none, nullptr);
}

// A real fault still ends the process (a sanitizer's handler, if any, still reports it), even
// after a second preparation: it must not hand the fault back to itself and fault forever.
TEST(SignalWatcherDeathTest, ARealFaultStillEndsTheProcess) {
    EXPECT_DEATH(
        {
            SignalWatcher::prepareProcess();
            SignalWatcher::prepareProcess();
            int* volatile nowhere = nullptr;
            *nowhere = 1;
        },
        "");
}
