#pragma once

#include "Platform/X11/XlibIncludes.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "Platform/IoWatcher.h"
#include "Platform/Logger.h"
#include "Platform/Scheduler.h"
#include "Support/Result.h"

namespace vesperine {

// One connection to an X server, shared by every X11 backend (gamma, outputs, key grabs,
// window-manager properties). It reads events on the main loop and hands each to the
// listeners, and it turns the loss of the connection into a callback instead of the
// process exit that Xlib would otherwise perform.
class X11Connection {
public:
    // Opens `displayName` (empty: $DISPLAY). Fails with a readable description.
    static Result<std::unique_ptr<X11Connection>> open(const std::string& displayName, Logger& logger);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    Display* display() const { return display_; }
    // The same connection seen through xcb, for requests sent in batches: their replies and
    // errors come back to whoever waits for them, never to Xlib's error handler.
    xcb_connection_t* xcb() const { return XGetXCBConnection(display_); }
    Window root() const { return root_; }
    // False once the server has gone away; every backend must then stop making requests.
    bool isAlive() const { return alive_; }

    // Starts reading events on `loop`. Until called, events queue up in Xlib. `queue` is the
    // loop's queue, on which events read by other requests are dispatched (see below).
    void attach(IoWatcher& loop, Scheduler& queue);
    // The loop given to attach, for backends that watch descriptors of their own; none before.
    IoWatcher* loop() const { return loop_; }
    // Reads and dispatches whatever is queued now (also called by the fd watch).
    void dispatchPending();
    // A request that waits for a reply (XSync, a trap's check) reads any events the server
    // sent meanwhile into Xlib's queue, and the descriptor then no longer wakes the loop for
    // them. Backends call this after such requests made outside event dispatch (a timer, a
    // frame): it dispatches those events on a later turn of the loop.
    void dispatchQueuedSoon();
    // The same after waiting for xcb replies: events read meanwhile wait in xcb's own queue,
    // where neither the descriptor nor Xlib's queue length shows them.
    void dispatchReadByRepliesSoon();
    // Sends what xcb holds once this turn of the loop is done (at once before attach): for
    // requests nothing waits on, such as a frame's ramps. The server, woken by them, then runs
    // while the program goes to sleep rather than in the middle of its turn.
    void flushBeforeWait();

    // A listener sees every event; returning true does not stop the others from seeing it.
    using Listener = std::function<void(const XEvent&)>;
    [[nodiscard]] Handle addListener(Listener listener);
    // Called once, on the main loop, when the connection is lost.
    void setOnLost(std::function<void()> onLost) { onLost_ = std::move(onLost); }

private:
    X11Connection(Display* display, Logger& logger);
    static void ioErrorExit(Display* display, void* self);
    void lost();

    Display* display_;
    Window root_;
    Log log_;
    bool alive_ = true;
    IoWatch watch_;
    Scheduler* queue_ = nullptr;
    IoWatcher* loop_ = nullptr;
    bool dispatchPosted_ = false;
    bool flushPending_ = false;
    std::uint64_t nextListener_ = 0;
    std::map<std::uint64_t, Listener> listeners_;
    std::function<void()> onLost_;
    std::shared_ptr<bool> token_ = std::make_shared<bool>(true);
};

// Collects the X protocol errors of the requests made while it exists. Xlib reports errors
// asynchronously, so `check()` syncs with the server and then says whether any request in
// scope failed. Traps nest; only the innermost one sees an error.
class X11ErrorTrap {
public:
    explicit X11ErrorTrap(Display* display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Syncs, then gives the first error seen (its code and request) or success.
    Status check();
    int firstErrorCode() const { return errorCode_; }

private:
    static int handler(Display* display, XErrorEvent* event);

    Display* display_;
    X11ErrorTrap* previous_;
    int (*previousHandler_)(Display*, XErrorEvent*);
    int errorCode_ = 0;
    int requestCode_ = 0;
    int minorCode_ = 0;
};

}  // namespace vesperine
