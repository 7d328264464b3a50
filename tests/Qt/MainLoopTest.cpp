// What the program's main loop delivers: timers, watches, signals, and alerts answered.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "Platform/Linux/Process/SignalWatcher.h"
#include "Platform/Linux/System/GLibMainLoop.h"
#include "Platform/Qt/QtAlerts.h"
#include "Spin.h"

using namespace vesperine;
using namespace std::chrono_literals;

// Timers run in the order they are due (those due together in the order armed), never
// early unless given a leeway; one armed for a month neither fires nor holds up the rest;
// and they go on inside a nested loop that a callback turns (a modal dialog), as the watched
// descriptors do.
TEST(GLibMainLoop, TimersRunInDueOrderAndGoOnInsideANestedLoop) {
    GLibMainLoop loop;
    const auto start = loop.monotonicNow();
    std::vector<std::pair<std::string, Duration>> fired;
    auto note = [&](std::string name) {
        return [&, name] { fired.emplace_back(name, loop.monotonicNow() - start); };
    };
    std::vector<Timer> timers;
    const std::pair<const char*, Duration> arms[] = {{"month", std::chrono::hours(24 * 30)},
                                                     {"30", 30ms},
                                                     {"10a", 10ms},
                                                     {"20", 20ms},
                                                     {"10b", 10ms}};
    for (const auto& [name, delay] : arms) timers.push_back(loop.oneShot(delay, note(name)));
    // Asked for by a timer of the 10 ms turn, it runs after that whole turn, before the next.
    Timer hook = loop.oneShot(10ms, [&] { loop.beforeWait(note("before the wait")); });
    // Free to come early, one timer runs on a turn the loop makes anyway, long before its
    // time; one whose leeway holds no such turn comes at its time.
    timers.push_back(loop.oneShotWithLeeway(1s, 995ms, note("early")));
    timers.push_back(loop.oneShotWithLeeway(40ms, 5ms, note("40")));
    ASSERT_TRUE(spin([&] { return fired.size() == 7; }));
    std::vector<std::string> order;
    for (const auto& [name, at] : fired) order.push_back(name);
    std::erase(order, "early");
    EXPECT_EQ(order, (std::vector<std::string>{"10a", "10b", "before the wait", "20", "30", "40"}));
    EXPECT_GE(fired[0].second, 10ms);
    const auto at = [&](const std::string& name) {
        return std::find_if(fired.begin(), fired.end(), [&](auto& f) { return f.first == name; })
            ->second;
    };
    EXPECT_GE(at("30"), 30ms);
    EXPECT_GE(at("40"), 35ms);
    EXPECT_LT(at("early"), 500ms);
    EXPECT_TRUE(timers[0].isActive());
    EXPECT_EQ(loop.timerCallbacksRun(), 7u);

    int ticks = 0, reads = 0;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    Timer every = loop.repeating(2ms, [&] { ++ticks; });
    IoWatch watch = loop.watchReadable(fds[0], [&] {
        char c;
        EXPECT_EQ(::read(fds[0], &c, 1), 1);
        ++reads;
    });
    bool nested = false;
    Timer opener = loop.oneShot(1ms, [&] {
        QEventLoop inner;
        QTimer::singleShot(2000, &inner, &QEventLoop::quit);  // a bound, should it hang
        const int before = ticks;
        ASSERT_EQ(::write(fds[1], "x", 1), 1);
        Timer check = loop.repeating(1ms, [&] {
            if (ticks >= before + 3 && reads == 1) inner.quit();
        });
        inner.exec();
        nested = ticks >= before + 3 && reads == 1;
    });
    EXPECT_TRUE(spin([&] { return nested; }));
    ::close(fds[0]);
    ::close(fds[1]);
}

// Cancelled timers never fire, also from inside their own callback; a dropped watch is
// not called again, also when dropped inside its callback.
TEST(GLibMainLoop, CancelledTimersAndWatchesStopAlsoFromTheirOwnCallbacks) {
    GLibMainLoop loop;
    int ticks = 0, cancelled = 0, posted = 0, selfCancelled = 0;
    auto never = loop.oneShot(5ms, [&] { ++cancelled; });
    never.cancel();
    loop.post([&] { ++posted; });
    Timer once;
    once = loop.repeating(2ms, [&] { ++selfCancelled, once.cancel(); });
    {
        Timer every = loop.repeating(3ms, [&] { ++ticks; });
        ASSERT_TRUE(spin([&] { return ticks >= 3; }));
    }
    const int seen = ticks;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    int reads = 0;
    IoWatch watch;
    watch = loop.watchReadable(fds[0], [&] {
        char c;
        EXPECT_EQ(::read(fds[0], &c, 1), 1);
        ++reads, watch.cancel();
    });
    ASSERT_EQ(::write(fds[1], "ab", 2), 2);
    spin([&] { return reads > 0; });
    spinFor(20ms);
    EXPECT_EQ(ticks, seen);
    EXPECT_EQ(cancelled, 0);
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(selfCancelled, 1);
    EXPECT_EQ(reads, 1);
    ::close(fds[0]);
    ::close(fds[1]);
}

// Every signal a user can send that would end the process arrives on the loop as a
// termination, SIGUSR1 as the toggle; the ones that only report a failed write do nothing.
TEST(SignalWatcher, EachSignalEndsCleanlyTogglesOrIsIgnored) {
    SignalWatcher::prepareProcess();
    GLibMainLoop loop;
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

TEST(QtAlerts, GivesTheIndexOfTheButtonChosenAndEscapeDeclines) {
    QtAlerts alerts("Vesperine");
    const Alert offer{
        "Install Vesperine for this user?", "Works best installed.", {"Install", "Not Now"}};
    // A button's title or a key, the alert, the index it gives.
    const std::tuple<QString, Alert, std::optional<std::size_t>> cases[] = {
        {"Install", offer, 0},
        {"Not Now", offer, 1},
        {"Escape", offer, 1},
        {"Return", offer, 0},
        {"OK", {"Couldn't install", "", {}}, 0}};
    for (const auto& [answer, alert, index] : cases) {
        SCOPED_TRACE(answer.toStdString());
        QString seen;
        // Answered as a person would, once the alert is up.
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            seen = box->windowTitle() + "|" + box->text() + "|" + box->informativeText();
            QKeyEvent key(QEvent::KeyPress, answer == "Escape" ? Qt::Key_Escape : Qt::Key_Return,
                          Qt::NoModifier);
            if (answer == "Escape" || answer == "Return")
                return void(QApplication::sendEvent(box, &key));
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() == answer) button->click();
            }
        });
        EXPECT_EQ(alerts.run(alert), index);
        EXPECT_EQ(seen.toStdString(), "Vesperine|" + alert.message + "|" + alert.informativeText);
    }
}
