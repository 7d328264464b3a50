#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "Platform/IoWatcher.h"
#include "Platform/Scheduler.h"

typedef struct _GSource GSource;

namespace vesperine {

// The program's main loop, seen through the core's Scheduler and IoWatcher seams: one source
// on GLib's default context, which Qt's event loop turns on the main thread (and where GLib's
// own signals, such as the desktop settings', arrive).
//
// Every timer, watch and posted callback lives in this one source. A wake-up of the program
// is mostly the cost of the code and data it touches after a sleep, so the loop keeps its
// own: the timers in one sorted array (a delay of any length in one piece), and the watched
// descriptors in one epoll set that the loop polls as a single descriptor. A frame of a fade
// then wakes the loop for our source alone, with no timer object made or dropped in the
// toolkit and no pass over our descriptors.
class GLibMainLoop final : public Scheduler, public IoWatcher {
public:
    GLibMainLoop();
    ~GLibMainLoop() override;
    GLibMainLoop(const GLibMainLoop&) = delete;
    GLibMainLoop& operator=(const GLibMainLoop&) = delete;

    MonotonicTime monotonicNow() const override;
    Timer oneShot(Duration delay, std::function<void()> callback) override;
    Timer repeating(Duration interval, std::function<void()> callback) override;
    Timer oneShotWithLeeway(Duration delay, Duration leeway,
                            std::function<void()> callback) override;
    Timer repeatingWithLeeway(Duration interval, Duration leeway,
                              std::function<void()> callback) override;
    void post(std::function<void()> callback) override;
    void beforeWait(std::function<void()> callback) override;
    IoWatch watchReadable(int fd, std::function<void()> onReadable) override;

    std::uint64_t timerCallbacksRun() const { return timerCallbacks_; }

private:
    struct Armed;
    struct Watch;
    struct Source;

    // GLib's entry into the loop (its types spelled out: gboolean, GSourceFunc, gpointer).
    static int prepareSource(GSource* source, int* timeout);
    static int checkSource(GSource* source);
    static int dispatchSource(GSource* source, int (*unused)(void*), void* data);

    Timer arm(Duration delay, Duration interval, Duration leeway, std::function<void()> callback);
    void insert(Armed armed);
    void cancelTimer(std::uint64_t id);
    void cancelWatch(std::uint64_t id);
    // What is due now, in this order: ready descriptors, posted callbacks, due timers.
    void dispatch();
    void runReadyDescriptors();
    void runPosted();
    void runDueTimers();
    // Called first when GLib prepares the next poll, so after every source's dispatch.
    void runBeforeWait();
    // True when posted work or a timer is due; else how long the loop may sleep (-1: as long
    // as it likes).
    bool prepare(int& timeout) const;

    GSource* source_ = nullptr;
    int epoll_ = -1;
    void* epollTag_ = nullptr;
    std::vector<Armed> armed_;  // by due time, then by arming order
    std::vector<Watch> watches_;
    std::vector<std::function<void()>> posted_;
    std::vector<std::function<void()>> beforeWait_;
    // The buffers of the lists last run, kept for the next turn's: a frame allocates nothing.
    std::vector<std::function<void()>> postedSpare_;
    std::vector<std::function<void()>> beforeWaitSpare_;
    std::uint64_t nextId_ = 0;
    std::uint64_t nextOrder_ = 0;
    std::uint64_t timerCallbacks_ = 0;
    Duration widestLeeway_{0};  // of any timer armed so far: how far past `now` due ones lie
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vesperine
