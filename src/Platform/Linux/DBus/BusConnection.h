#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "Platform/IoWatcher.h"
#include "Platform/Scheduler.h"
#include "Support/Alive.h"
#include "Support/Handle.h"
#include "Support/Result.h"

struct sd_bus;
struct sd_bus_message;
struct sd_bus_slot;

namespace vesperine {

// One D-Bus connection (sd-bus) driven by the main loop: its socket is watched through the
// IoWatcher, and sd-bus's own deadlines (call timeouts) are armed on the Scheduler, so no call
// ever blocks the loop and every call is answered, by its reply or by a timeout error, on the
// main loop. Backends that talk to desktop services (UPower, the power profiles, the
// desktops' night lights, logind) share this instead of each driving sd-bus by hand.
//
// Handles returned by `call` and `match` stop the callback when cancelled or destroyed; a
// callback may cancel its own handle, or even destroy the connection. Once the connection is
// lost (the bus daemon stopped), pending calls get an error, no signal arrives any more and
// the loss observers run once; their owners log it (this class logs nothing itself).
class BusConnection {
public:
    enum class Bus { system, session };

    // A D-Bus object member: destination (a bus name; empty for signals from anyone),
    // object path, interface and member.
    struct Member {
        std::string destination;
        std::string path;
        std::string interface;
        std::string member;
    };

    // Appends a call's arguments to the message; returns a negative errno on failure.
    using Writer = std::function<int(sd_bus_message*)>;
    // The reply: `error` is empty on success; `reply` is the method return (null on error).
    using ReplyHandler = std::function<void(sd_bus_message* reply, const std::string& error)>;
    using SignalHandler = std::function<void(sd_bus_message* signal)>;

    // Connects to the standard bus of `kind` (the environment's DBUS_SYSTEM_BUS_ADDRESS or
    // DBUS_SESSION_BUS_ADDRESS apply), or to `address` when one is given (tests). Blocks
    // until the bus daemon has taken us in, `patience` at most (see `connectReady`).
    static Result<std::unique_ptr<BusConnection>> open(Bus kind, IoWatcher& loop,
                                                       Scheduler& scheduler,
                                                       const std::string& address = "",
                                                       Duration patience = std::chrono::seconds(2));
    // The connection itself, for a blocking client (a command), which owns it and closes it
    // with sd_bus_flush_close_unref. It is returned only once the daemon has authenticated
    // us and answered our Hello, after `patience` at most: a daemon that accepts the
    // connection and never answers (a stopped one) costs that long, not sd-bus's own
    // 90-second authentication limit, and then fails saying so (and sets `silent`, when
    // given; a bus that is missing or refuses fails at once and leaves it false).
    static Result<sd_bus*> connectReady(Bus kind, const std::string& address, Duration patience,
                                        bool* silent = nullptr);
    // Why the standard bus of `kind` is silent, when it takes a connection and does not
    // answer within `patience` (a stopped daemon); none when it answers, or is missing or
    // refuses (which any client learns at once).
    static std::optional<std::string> silence(Bus kind, Duration patience);
    ~BusConnection();
    BusConnection(const BusConnection&) = delete;
    BusConnection& operator=(const BusConnection&) = delete;

    // Calls a method asynchronously; `onReply` runs once on the main loop with the reply or an
    // error (a timeout after `timeout`). Nothing runs when the handle is cancelled first.
    [[nodiscard]] Handle call(const Member& method, const Writer& arguments, ReplyHandler onReply,
                              Duration timeout = std::chrono::seconds(2));
    // Calls `onSignal` for every matching signal. An empty destination matches any sender.
    [[nodiscard]] Handle match(const Member& signal, SignalHandler onSignal);

    // org.freedesktop.DBus.Properties.Get on `object` (its interface names the property's
    // interface): the reply is positioned at the variant. GetAll is BusServiceReader's.
    [[nodiscard]] Handle getProperty(const Member& object, const std::string& property,
                                     ReplyHandler onReply);
    // PropertiesChanged of `object`'s interface from `object.destination`; the signal is
    // positioned after the interface name (at the changed dictionary).
    [[nodiscard]] Handle watchProperties(const Member& object, SignalHandler onChanged);
    // NameOwnerChanged for `name`: `onOwner(true)` when it gains an owner, false when it
    // loses it (a service starting or stopping).
    [[nodiscard]] Handle watchNameOwner(const std::string& name,
                                        std::function<void(bool hasOwner)> onOwner);

    bool isConnected() const { return connected_; }
    // Calls `onLost` once when the connection is lost; nothing when it already is.
    [[nodiscard]] Handle observeLoss(std::function<void()> onLost);

    // The sd-bus connection, for backends that publish objects. Process it through this
    // class (never sd_bus_process directly), so deadlines stay armed.
    sd_bus* raw() const { return bus_; }
    // Sends what is queued and handles what has arrived; call after queuing a message
    // through `raw()` (an emitted signal, say).
    void flush();

private:
    struct Entry;
    friend struct BusTrampoline;

    BusConnection(sd_bus* bus, Scheduler& scheduler);
    Handle keep(std::unique_ptr<Entry> entry);
    void drop(std::uint64_t id);
    void process();
    void armDeadline();
    void lost();

    sd_bus* bus_;
    Scheduler& scheduler_;
    std::map<std::uint64_t, std::unique_ptr<Entry>> entries_;
    std::uint64_t nextId_ = 0;
    bool connected_ = true;
    bool processing_ = false;
    std::map<std::uint64_t, std::function<void()>> lossObservers_;
    IoWatch watch_;
    Timer deadline_;
    Alive alive_;
};

}  // namespace vesperine
