#include "Platform/Wayland/WaylandConnection.h"

#include <wayland-client.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vesperine {

WaylandConnection::WaylandConnection(wl_display* display, Logger& logger)
    : display_(display), log_(logger, "wayland") {}

WaylandConnection::~WaylandConnection() {
    watch_.cancel();
    if (answers_) wl_event_queue_destroy(answers_);
    if (registry_) wl_registry_destroy(registry_);
    wl_display_disconnect(display_);
}

Result<std::unique_ptr<WaylandConnection>> WaylandConnection::open(const std::string& name,
                                                                   Logger& logger) {
    wl_display* display = wl_display_connect(name.empty() ? nullptr : name.c_str());
    const char* named = std::getenv("WAYLAND_DISPLAY");
    const std::string what = !name.empty() ? name : named && *named ? named : "wayland-0";
    if (!display) {
        return Error{"Couldn't connect to the Wayland display " + what + ": " +
                     std::strerror(errno)};
    }
    return start(display, logger, what);
}

Result<std::unique_ptr<WaylandConnection>> WaylandConnection::adopt(int fd, Logger& logger) {
    wl_display* display = wl_display_connect_to_fd(fd);
    if (!display) return Error{std::string("Couldn't talk Wayland on a socket: ") + std::strerror(errno)};
    return start(display, logger, "socket " + std::to_string(fd));
}

Result<std::unique_ptr<WaylandConnection>> WaylandConnection::start(wl_display* display,
                                                                    Logger& logger,
                                                                    const std::string& what) {
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection(display, logger));
    static const wl_registry_listener listener = {&WaylandConnection::onGlobal,
                                                  &WaylandConnection::onGlobalRemove};
    connection->registry_ = wl_display_get_registry(display);
    wl_registry_add_listener(connection->registry_, &listener, connection.get());
    connection->answers_ = wl_display_create_queue(display);
    if (!connection->roundtrip()) {
        return Error{"The Wayland display " + what + " closed the connection at once"};
    }
    return connection;
}

void WaylandConnection::onGlobal(void* self, wl_registry*, std::uint32_t name,
                                 const char* interface, std::uint32_t version) {
    auto* connection = static_cast<WaylandConnection*>(self);
    const Global global{name, interface, version};
    connection->globals_[name] = global;
    connection->added_.notify(global);
}

void WaylandConnection::onGlobalRemove(void* self, wl_registry*, std::uint32_t name) {
    auto* connection = static_cast<WaylandConnection*>(self);
    if (!connection->globals_.erase(name)) return;
    connection->removed_.notify(name);
}

Handle WaylandConnection::observeGlobals(std::function<void(const Global&)> added,
                                         std::function<void(std::uint32_t)> removed) {
    auto known = globals_;
    for (const auto& [name, global] : known) added(global);
    auto first = added_.add(std::move(added));
    auto second = removed_.add(std::move(removed));
    return Handle::make([first = std::make_shared<Handle>(std::move(first)),
                         second = std::make_shared<Handle>(std::move(second))] {
        first->cancel();
        second->cancel();
    });
}

bool WaylandConnection::roundtrip() {
    if (!alive_) return false;
    // The answers' queue too: a control's `failed` read meanwhile must not wait for the socket.
    if (wl_display_roundtrip(display_) < 0 ||
        wl_display_dispatch_queue_pending(display_, answers_) < 0) {
        lost();
        return false;
    }
    return true;
}

bool WaylandConnection::roundtrip(wl_event_queue* queue) {
    if (!alive_) return false;
    if (wl_display_roundtrip_queue(display_, queue) < 0) {
        lost();
        return false;
    }
    // Events for the main queue may have been read meanwhile; the descriptor no longer
    // shows them.
    dispatchSoon();
    return true;
}

bool WaylandConnection::flush() {
    if (!alive_) return false;
    // A full socket (EAGAIN) only means the rest goes with the next flush.
    if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
        lost();
        return false;
    }
    return true;
}

bool WaylandConnection::drained() {
    if (!alive_) return false;
    if (wl_display_flush(display_) >= 0) return true;
    if (errno != EAGAIN) lost();
    return false;
}

void WaylandConnection::attach(IoWatcher& loop, Scheduler& queue) {
    queue_ = &queue;
    std::weak_ptr<bool> token = token_;
    watch_ = loop.watchReadable(wl_display_get_fd(display_), [this, token] {
        if (token.lock()) dispatch();
    });
    dispatchSoon();
}

void WaylandConnection::dispatch() {
    if (!alive_) return;
    while (wl_display_prepare_read(display_) != 0) {
        if (wl_display_dispatch_pending(display_) < 0) return lost();
    }
    wl_display_flush(display_);
    // The descriptor is readable (or hung up); reading never blocks here.
    if (wl_display_read_events(display_) < 0) return lost();
    if (wl_display_dispatch_pending(display_) < 0) return lost();
    if (wl_display_dispatch_queue_pending(display_, answers_) < 0) return lost();
}

void WaylandConnection::dispatchSoon() {
    if (!queue_ || dispatchPosted_) return;
    dispatchPosted_ = true;
    std::weak_ptr<bool> token = token_;
    queue_->post([this, token] {
        if (!token.lock()) return;
        dispatchPosted_ = false;
        if (!alive_) return;
        if (wl_display_dispatch_pending(display_) < 0 ||
            wl_display_dispatch_queue_pending(display_, answers_) < 0)
            lost();
    });
}

void WaylandConnection::lost() {
    if (!alive_) return;
    alive_ = false;
    watch_.cancel();
    const int error = wl_display_get_error(display_);
    log_.error("Lost the connection to the Wayland compositor: %s",
               error ? std::strerror(error) : "it went away");
    if (onLost_) {
        // Once, on the main loop: the caller may be in the middle of a request.
        if (queue_) {
            std::weak_ptr<bool> token = token_;
            queue_->post([this, token] {
                if (token.lock() && onLost_) onLost_();
            });
        } else {
            onLost_();
        }
    }
}

}  // namespace vesperine
