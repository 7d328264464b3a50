#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "Platform/IoWatcher.h"
#include "Platform/Logger.h"
#include "Platform/Scheduler.h"
#include "Support/CallbackList.h"
#include "Support/Result.h"

struct wl_display;
struct wl_registry;
struct wl_event_queue;

namespace vesperine {

// One connection to a Wayland compositor, shared by every Wayland backend. It keeps the
// registry's list of globals (and tells observers of globals added and removed), reads
// events on the main loop, and turns the loss of the connection into one callback.
//
// Requests that must be answered within a call (a gamma control's size, before its first
// table) go through `answerQueue`: waiting on it dispatches nothing else, so no backend is
// called back in the middle of another's call. Events read meanwhile for the main queue are
// dispatched on a later turn of the loop.
class WaylandConnection {
  public:
    // Connects to `name` (empty: $WAYLAND_DISPLAY, else "wayland-0") and reads the globals.
    static Result<std::unique_ptr<WaylandConnection>> open(const std::string& name, Logger& logger);
    // The same over a socket already connected (a compositor that handed us one end).
    static Result<std::unique_ptr<WaylandConnection>> adopt(int fd, Logger& logger);
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    wl_display* display() const { return display_; }
    wl_registry* registry() const { return registry_; }
    wl_event_queue* answerQueue() const { return answers_; }
    // False once the compositor has gone away (or closed the connection on a protocol
    // error); backends then make no requests.
    bool isAlive() const { return alive_; }

    struct Global {
        std::uint32_t name = 0;
        std::string interface;
        std::uint32_t version = 0;
    };
    const std::map<std::uint32_t, Global>& globals() const { return globals_; }
    // `added` hears every global there is now at once, then each one announced later;
    // `removed` each one withdrawn (by its name).
    [[nodiscard]] Handle observeGlobals(std::function<void(const Global&)> added,
                                        std::function<void(std::uint32_t)> removed);

    // Waits until the compositor has answered everything sent so far, dispatching the main
    // queue (or only `queue`). False when the connection is lost.
    bool roundtrip();
    bool roundtrip(wl_event_queue* queue);
    // Sends what is buffered. False when the connection is lost.
    bool flush();
    // Sends what is buffered; false when some of it must wait because the compositor has not
    // read what was sent before (or the connection is lost). A request carrying a file must
    // not be queued then: libwayland ends the connection when its queue of files is full.
    bool drained();

    // Starts reading events on `loop`; `queue` is the loop's queue (see above).
    void attach(IoWatcher& loop, Scheduler& queue);
    // Reads and dispatches whatever has arrived (also called by the fd watch).
    void dispatch();
    // Called once, on the main loop, when the connection is lost.
    void setOnLost(std::function<void()> onLost) { onLost_ = std::move(onLost); }

  private:
    WaylandConnection(wl_display* display, Logger& logger);
    static Result<std::unique_ptr<WaylandConnection>> start(wl_display* display, Logger& logger,
                                                            const std::string& what);
    void dispatchSoon();
    void lost();
    static void onGlobal(void* self, wl_registry*, std::uint32_t name, const char* interface,
                         std::uint32_t version);
    static void onGlobalRemove(void* self, wl_registry*, std::uint32_t name);

    wl_display* display_;
    wl_registry* registry_ = nullptr;
    wl_event_queue* answers_ = nullptr;
    Log log_;
    bool alive_ = true;
    IoWatch watch_;
    Scheduler* queue_ = nullptr;
    bool dispatchPosted_ = false;
    std::map<std::uint32_t, Global> globals_;
    CallbackList<Global> added_;
    CallbackList<std::uint32_t> removed_;
    std::function<void()> onLost_;
    std::shared_ptr<bool> token_ = std::make_shared<bool>(true);
};

}  // namespace vesperine
