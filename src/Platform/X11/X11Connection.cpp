#include "Platform/X11/X11Connection.h"

#include <cstdio>
#include <vector>

namespace vesperine {

namespace {
// Xlib's error handler is process-wide and takes no user data, so the innermost trap is
// found through this pointer. The program is single-threaded; the pointer only ever
// points at a trap on the current stack.
thread_local X11ErrorTrap* innermostTrap = nullptr;

// Xlib's default handler exits the process on any protocol error. Errors outside a trap are
// faults of ours; report them and carry on.
int untrappedError(Display* display, XErrorEvent* event) {
    char text[128] = {0};
    XGetErrorText(display, event->error_code, text, sizeof text);
    std::fprintf(stderr, "vesperine: X error outside a checked request: %s (request %d.%d)\n",
                 text, event->request_code, event->minor_code);
    return 0;
}

// Xlib's default I/O error handler prints and exits before the per-display exit handler is
// even reached. Returning lets Xlib go on to `ioErrorExit`, which keeps the process alive.
int ioErrorNoExit(Display*) { return 0; }
}  // namespace

Result<std::unique_ptr<X11Connection>> X11Connection::open(const std::string& displayName,
                                                           Logger& logger) {
    Display* display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (display == nullptr) {
        const char* shown = displayName.empty() ? std::getenv("DISPLAY") : displayName.c_str();
        return Error{std::string("Couldn't open X display ") + (shown ? shown : "(DISPLAY not set)")};
    }
    return std::unique_ptr<X11Connection>(new X11Connection(display, logger));
}

X11Connection::X11Connection(Display* display, Logger& logger)
    : display_(display), root_(DefaultRootWindow(display)), log_(logger, "monitor") {
    XSetIOErrorHandler(&ioErrorNoExit);
    XSetIOErrorExitHandler(display_, &X11Connection::ioErrorExit, this);
    XSetErrorHandler(&untrappedError);
}

X11Connection::~X11Connection() {
    *token_ = false;
    watch_.cancel();
    listeners_.clear();
    // Xlib marks a lost connection and skips the server round trip when closing it, so a
    // dead connection is closed (and its memory freed) like a live one.
    XCloseDisplay(display_);
}

void X11Connection::attach(IoWatcher& loop, Scheduler& queue) {
    loop_ = &loop;
    queue_ = &queue;
    watch_ = loop.watchReadable(ConnectionNumber(display_), [this] { dispatchPending(); });
    dispatchPending();
}

void X11Connection::dispatchQueuedSoon() {
    if (!alive_ || !queue_ || dispatchPosted_ || XQLength(display_) == 0) return;
    dispatchPosted_ = true;
    std::weak_ptr<bool> token = token_;
    queue_->post([this, token] {
        if (token.expired()) return;
        dispatchPosted_ = false;
        dispatchPending();
    });
}

void X11Connection::dispatchReadByRepliesSoon() {
    if (!alive_) return;
    // Moves what xcb holds into Xlib's queue (and reads, without waiting, what has arrived).
    XEventsQueued(display_, QueuedAfterReading);
    dispatchQueuedSoon();
}

void X11Connection::flushBeforeWait() {
    if (!alive_) return;
    if (!queue_) {
        xcb_flush(xcb());
        return;
    }
    if (flushPending_) return;
    flushPending_ = true;
    std::weak_ptr<bool> token = token_;
    queue_->beforeWait([this, token] {
        if (token.expired()) return;
        flushPending_ = false;
        if (alive_) xcb_flush(xcb());
    });
}

void X11Connection::dispatchPending() {
    if (!alive_) return;
    std::weak_ptr<bool> token = token_;
    while (alive_ && XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        // A listener may remove itself or others: dispatch over a copy of the ids.
        std::vector<std::uint64_t> ids;
        for (const auto& [id, listener] : listeners_) ids.push_back(id);
        for (auto id : ids) {
            if (token.expired()) return;
            auto it = listeners_.find(id);
            if (it != listeners_.end()) {
                auto listener = it->second;
                listener(event);
            }
        }
    }
}

Handle X11Connection::addListener(Listener listener) {
    std::uint64_t id = nextListener_++;
    listeners_.emplace(id, std::move(listener));
    auto state = std::make_shared<Handle::State>();
    std::weak_ptr<bool> token = token_;
    state->onCancel = [this, token, id] {
        if (!token.expired()) listeners_.erase(id);
    };
    return Handle(state);
}

void X11Connection::ioErrorExit(Display*, void* self) {
    // Called by Xlib instead of exit() when the server goes away. Returning leaves the
    // connection unusable; we only note it and let the owner end the program cleanly.
    static_cast<X11Connection*>(self)->lost();
}

void X11Connection::lost() {
    if (!alive_) return;
    alive_ = false;
    watch_.cancel();
    log_.error("Lost the connection to the X server");
    if (!onLost_) return;
    // This runs inside whichever Xlib call met the dead socket; the owner's reaction (which
    // may end the program) waits for the loop.
    auto onLost = onLost_;
    if (queue_) {
        queue_->post(std::move(onLost));
    } else {
        onLost();
    }
}

X11ErrorTrap::X11ErrorTrap(Display* display)
    : display_(display), previous_(innermostTrap), previousHandler_(nullptr) {
    XSync(display_, False);  // errors of earlier requests belong to no trap of ours
    innermostTrap = this;
    previousHandler_ = XSetErrorHandler(&X11ErrorTrap::handler);
}

X11ErrorTrap::~X11ErrorTrap() {
    XSync(display_, False);
    XSetErrorHandler(previousHandler_);
    innermostTrap = previous_;
}

int X11ErrorTrap::handler(Display* display, XErrorEvent* event) {
    X11ErrorTrap* trap = innermostTrap;
    if (trap != nullptr && trap->display_ == display) {
        if (trap->errorCode_ == 0) {
            trap->errorCode_ = event->error_code;
            trap->requestCode_ = event->request_code;
            trap->minorCode_ = event->minor_code;
        }
    }
    return 0;
}

Status X11ErrorTrap::check() {
    XSync(display_, False);
    if (errorCode_ == 0) return success();
    char text[128] = {0};
    XGetErrorText(display_, errorCode_, text, sizeof text);
    char message[256];
    std::snprintf(message, sizeof message, "%s (request %d.%d)", text, requestCode_, minorCode_);
    return Status::failure(message);
}

}  // namespace vesperine
