#include "Platform/Linux/System/GLibMainLoop.h"

#include <glib.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <ctime>
#include <limits>

namespace vesperine {

struct GLibMainLoop::Armed {
    MonotonicTime due{0};
    std::uint64_t order = 0;  // arming order: of equal due times, the first armed runs first
    std::uint64_t id = 0;
    Duration interval{0};  // zero: one-shot
    Duration leeway{0};    // how early it may run on a turn the loop makes anyway
    std::function<void()> callback;
    std::shared_ptr<Handle::State> state;
};

struct GLibMainLoop::Watch {
    std::uint64_t id = 0;
    int fd = -1;
    // Shared, so that a callback that adds or drops watches cannot pull its own from under it.
    std::shared_ptr<std::function<void()>> onReadable;
    std::shared_ptr<Handle::State> state;
    void* tag = nullptr;  // set where GLib polls the descriptor itself (epoll refused it)
};

struct GLibMainLoop::Source {
    GSource base;
    GLibMainLoop* loop;
};

namespace {
constexpr auto readable = static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR);
}  // namespace

int GLibMainLoop::prepareSource(GSource* source, int* timeout) {
    GLibMainLoop* loop = reinterpret_cast<Source*>(source)->loop;
    loop->runBeforeWait();
    return loop->prepare(*timeout);
}

int GLibMainLoop::checkSource(GSource* source) {
    int unused = 0;
    return reinterpret_cast<Source*>(source)->loop->prepare(unused);
}

int GLibMainLoop::dispatchSource(GSource* source, int (*)(void*), void*) {
    reinterpret_cast<Source*>(source)->loop->dispatch();
    return G_SOURCE_CONTINUE;
}

GLibMainLoop::GLibMainLoop() {
    // GLib asks the source before each sleep how long it may sleep, and after it whether
    // there is work; a ready descriptor of the source is work by itself. (A ready time would
    // do the first job, but setting one wakes the loop through its eventfd each time: three
    // system calls a frame.)
    static GSourceFuncs functions = {&GLibMainLoop::prepareSource,
                                     &GLibMainLoop::checkSource,
                                     &GLibMainLoop::dispatchSource,
                                     nullptr,
                                     nullptr,
                                     nullptr};
    source_ = g_source_new(&functions, sizeof(Source));
    reinterpret_cast<Source*>(source_)->loop = this;
    g_source_set_name(source_, "vesperine");
    // A callback may turn a nested loop (a modal dialog): the loop's work goes on inside it.
    g_source_set_can_recurse(source_, TRUE);
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    if (epoll_ >= 0) epollTag_ = g_source_add_unix_fd(source_, epoll_, G_IO_IN);
    g_source_attach(source_, nullptr);
}

GLibMainLoop::~GLibMainLoop() {
    *alive_ = false;
    for (auto& armed : armed_) armed.state->active = false;
    for (auto& watch : watches_) watch.state->active = false;
    g_source_destroy(source_);
    g_source_unref(source_);
    if (epoll_ >= 0) ::close(epoll_);
}

MonotonicTime GLibMainLoop::monotonicNow() const {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

Timer GLibMainLoop::oneShot(Duration delay, std::function<void()> callback) {
    return arm(delay, Duration::zero(), Duration::zero(), std::move(callback));
}

Timer GLibMainLoop::repeating(Duration interval, std::function<void()> callback) {
    return repeatingWithLeeway(interval, Duration::zero(), std::move(callback));
}

Timer GLibMainLoop::oneShotWithLeeway(Duration delay, Duration leeway,
                                      std::function<void()> callback) {
    return arm(delay, Duration::zero(), std::clamp(leeway, Duration::zero(), delay),
               std::move(callback));
}

Timer GLibMainLoop::repeatingWithLeeway(Duration interval, Duration leeway,
                                        std::function<void()> callback) {
    const Duration every = std::max<Duration>(interval, std::chrono::milliseconds(1));
    return arm(every, every, std::clamp(leeway, Duration::zero(), every), std::move(callback));
}

Timer GLibMainLoop::arm(Duration delay, Duration interval, Duration leeway,
                        std::function<void()> callback) {
    const std::uint64_t id = nextId_++;
    auto state = std::make_shared<Handle::State>();
    // Small enough to be kept inside the function object, not allocated with each frame's
    // timer. A handle that outlives the loop calls nothing: the loop's end marks every armed
    // timer done.
    state->onCancel = [this, id] { cancelTimer(id); };
    widestLeeway_ = std::max(widestLeeway_, leeway);
    insert(Armed{deadlineAfter(monotonicNow(), delay), nextOrder_++, id, interval, leeway,
                 std::move(callback), state});
    return Timer(std::move(state));
}

void GLibMainLoop::insert(Armed armed) {
    const auto at = std::upper_bound(armed_.begin(), armed_.end(), armed.due,
                                     [](MonotonicTime due, const Armed& a) { return due < a.due; });
    armed_.insert(at, std::move(armed));
}

void GLibMainLoop::cancelTimer(std::uint64_t id) {
    const auto found =
        std::find_if(armed_.begin(), armed_.end(), [id](const Armed& a) { return a.id == id; });
    if (found == armed_.end()) return;  // running now, or already run
    armed_.erase(found);
}

void GLibMainLoop::post(std::function<void()> callback) {
    posted_.push_back(std::move(callback));
}

void GLibMainLoop::beforeWait(std::function<void()> callback) {
    beforeWait_.push_back(std::move(callback));
}

void GLibMainLoop::runBeforeWait() {
    if (beforeWait_.empty()) return;
    // Whatever these callbacks ask for again comes before the following wait.
    std::vector<std::function<void()>> callbacks;
    callbacks.swap(beforeWaitSpare_);  // the list comes back empty with its capacity
    callbacks.swap(beforeWait_);
    std::weak_ptr<bool> alive = alive_;
    for (auto& callback : callbacks) {
        callback();
        if (alive.expired()) return;
    }
    callbacks.clear();
    beforeWaitSpare_.swap(callbacks);
}

IoWatch GLibMainLoop::watchReadable(int fd, std::function<void()> onReadable) {
    const std::uint64_t id = nextId_++;
    auto state = std::make_shared<Handle::State>();
    std::weak_ptr<bool> alive = alive_;
    state->onCancel = [this, alive, id] {
        if (!alive.expired()) cancelWatch(id);
    };
    Watch watch{id, fd, std::make_shared<std::function<void()>>(std::move(onReadable)), state};
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = fd;
    // A descriptor already in the set (a second watch on it) stays there; one that epoll
    // refuses (a regular file) is polled by GLib, which finds it always readable.
    if (epoll_ < 0 || (epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) != 0 && errno != EEXIST))
        watch.tag = g_source_add_unix_fd(source_, fd, readable);
    watches_.push_back(std::move(watch));
    return IoWatch(std::move(state));
}

void GLibMainLoop::cancelWatch(std::uint64_t id) {
    const auto found =
        std::find_if(watches_.begin(), watches_.end(), [id](const Watch& w) { return w.id == id; });
    if (found == watches_.end()) return;
    const int fd = found->fd;
    if (found->tag) {
        g_source_remove_unix_fd(source_, found->tag);
    } else if (std::none_of(watches_.begin(), watches_.end(),
                            [&](const Watch& w) { return w.id != id && w.fd == fd && !w.tag; })) {
        // The owner may have closed it already: then epoll has let it go by itself.
        epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
    }
    watches_.erase(found);
}

void GLibMainLoop::dispatch() {
    runReadyDescriptors();
    runPosted();
    runDueTimers();
}

void GLibMainLoop::runReadyDescriptors() {
    const bool setReady = epollTag_ && (g_source_query_unix_fd(source_, epollTag_) & G_IO_IN);
    // Most turns are a timer's: nothing to look at.
    if (!setReady && std::none_of(watches_.begin(), watches_.end(),
                                  [](const Watch& w) { return w.tag != nullptr; }))
        return;
    std::vector<int> ready;
    if (setReady) {
        std::array<epoll_event, 16> events{};
        const int n = epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), 0);
        for (int i = 0; i < n; ++i) ready.push_back(events[static_cast<std::size_t>(i)].data.fd);
    }
    std::vector<std::uint64_t> due;
    for (const auto& watch : watches_) {
        const bool isReady = watch.tag
                                 ? (g_source_query_unix_fd(source_, watch.tag) & readable) != 0
                                 : std::find(ready.begin(), ready.end(), watch.fd) != ready.end();
        if (isReady) due.push_back(watch.id);
    }
    for (const std::uint64_t id : due) {
        const auto found = std::find_if(watches_.begin(), watches_.end(),
                                        [id](const Watch& w) { return w.id == id; });
        if (found == watches_.end() || !found->state->active) continue;  // dropped meanwhile
        const auto onReadable = found->onReadable;
        (*onReadable)();
    }
}

void GLibMainLoop::runPosted() {
    if (posted_.empty()) return;
    std::vector<std::function<void()>> now;
    now.swap(postedSpare_);
    now.swap(posted_);  // what they post runs on a later turn
    std::weak_ptr<bool> alive = alive_;
    for (auto& callback : now) {
        callback();
        if (alive.expired()) return;
    }
    now.clear();
    postedSpare_.swap(now);
}

void GLibMainLoop::runDueTimers() {
    const MonotonicTime now = monotonicNow();
    const std::uint64_t armedBefore = nextOrder_;  // timers armed from here on wait a turn
    // Timers are in order of due time: none due later than this may run now, even early.
    const MonotonicTime horizon = now + widestLeeway_;
    for (;;) {
        const auto next = std::find_if(armed_.begin(), armed_.end(), [&](const Armed& a) {
            return a.due > horizon || (a.order < armedBefore && a.due - a.leeway <= now);
        });
        if (next == armed_.end() || next->due > horizon) return;
        Armed running = std::move(*next);
        armed_.erase(next);
        if (running.interval > Duration::zero()) {
            running.due = std::max(running.due + running.interval, now);
        } else {
            running.state->active = false;
        }
        ++timerCallbacks_;
        running.callback();
        // Still armed after the call: back in line for the next time.
        if (running.interval > Duration::zero() && running.state->active) {
            running.order = nextOrder_++;
            insert(std::move(running));
        }
    }
}

bool GLibMainLoop::prepare(int& timeout) const {
    timeout = -1;
    if (!posted_.empty()) return true;
    if (armed_.empty()) return false;
    const Duration left = armed_.front().due - monotonicNow();
    if (left <= Duration::zero()) return true;
    // GLib sleeps in whole milliseconds: rounded up, never early.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    timeout = static_cast<int>(std::min<std::int64_t>(ms, std::numeric_limits<int>::max()));
    return false;
}

}  // namespace vesperine
