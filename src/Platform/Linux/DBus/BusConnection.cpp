#include "Platform/Linux/DBus/BusConnection.h"

#include <poll.h>
#include <systemd/sd-bus.h>
#include <time.h>

#include <cerrno>
#include <cstring>

#include "Platform/Linux/DBus/BusOpenFailure.h"

namespace vesperine {

namespace {

std::string describe(const char* what, int result) {
    return std::string(what) + ": " + std::strerror(-result);
}

Result<sd_bus*> connect(BusConnection::Bus kind, const std::string& address) {
    sd_bus* bus = nullptr;
    if (address.empty()) {
        const bool system = kind == BusConnection::Bus::system;
        const int r = system ? sd_bus_open_system(&bus) : sd_bus_open_user(&bus);
        if (r < 0) return Error{"Couldn't connect to " + busOpenFailure(system, r)};
        return bus;
    }
    int r = sd_bus_new(&bus);
    if (r >= 0) r = sd_bus_set_address(bus, address.c_str());
    if (r >= 0) r = sd_bus_set_bus_client(bus, 1);
    if (r >= 0) r = sd_bus_start(bus);
    if (r < 0) {
        sd_bus_unref(bus);
        return Error{describe(("Couldn't connect to the bus at " + address).c_str(), r)};
    }
    return bus;
}

std::uint64_t monotonicMicroseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000u +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
}

std::string quoted(const std::string& text) {
    // Match rules quote with single quotes and have no escapes inside them; the names we
    // match on (bus names, paths, interfaces) cannot contain one.
    return "'" + text + "'";
}

// sd-bus starts the connection without waiting: the authentication and the Hello are
// exchanged as the connection is processed. Process it here, against our own deadline.
Status awaitReady(sd_bus* bus, Duration patience, const std::string& which, bool& silent) {
    silent = false;
    const std::uint64_t deadline =
        monotonicMicroseconds() +
        static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(patience).count());
    for (;;) {
        const int r = sd_bus_process(bus, nullptr);
        if (r < 0) return Error{describe(("Couldn't connect to " + which).c_str(), r)};
        if (sd_bus_is_ready(bus) > 0) return success();
        if (r > 0) continue;
        const std::uint64_t now = monotonicMicroseconds();
        if (now >= deadline) {
            silent = true;
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(patience);
            return Error{"Couldn't connect to " + which + ": it did not answer within " +
                         std::to_string(std::max<std::int64_t>(seconds.count(), 1)) + " s"};
        }
        std::uint64_t due = deadline;
        if (std::uint64_t own = 0; sd_bus_get_timeout(bus, &own) >= 0) due = std::min(due, own);
        const int events = sd_bus_get_events(bus);
        pollfd entry{sd_bus_get_fd(bus), static_cast<short>(events > 0 ? events : 0), 0};
        const auto wait = due > now ? (due - now + 999) / 1000 : 0;
        if (::poll(&entry, 1, static_cast<int>(std::min<std::uint64_t>(wait, 60'000))) < 0 &&
            errno != EINTR) {
            return Error{describe(("Couldn't connect to " + which).c_str(), -errno)};
        }
    }
}

}  // namespace

Result<sd_bus*> BusConnection::connectReady(Bus kind, const std::string& address,
                                            Duration patience, bool* silent) {
    if (silent) *silent = false;
    auto bus = connect(kind, address);
    if (!bus) return bus.error();
    const std::string which = !address.empty()        ? "the bus at " + address
                              : kind == Bus::system ? std::string("the system bus")
                                                    : std::string("the session bus");
    bool timedOut = false;
    if (auto ready = awaitReady(*bus, patience, which, timedOut); !ready) {
        sd_bus_close_unref(*bus);  // not flushed: a flush waits for the daemon again
        if (silent) *silent = timedOut;
        return ready.error();
    }
    return *bus;
}

std::optional<std::string> BusConnection::silence(Bus kind, Duration patience) {
    bool silent = false;
    auto bus = connectReady(kind, "", patience, &silent);
    if (bus) sd_bus_flush_close_unref(*bus);
    if (!silent) return std::nullopt;
    return bus.error().description;
}

struct BusConnection::Entry {
    std::uint64_t id = 0;
    BusConnection* owner = nullptr;
    sd_bus_slot* slot = nullptr;
    ReplyHandler onReply;
    SignalHandler onSignal;
    std::string propertiesInterface;  // PropertiesChanged: the interface to pass on
    std::function<void(bool)> onOwner;

    ~Entry() { sd_bus_slot_unref(slot); }
};

struct BusTrampoline {
    static int reply(sd_bus_message* message, void* userdata, sd_bus_error*) {
        auto* entry = static_cast<BusConnection::Entry*>(userdata);
        // The entry goes first: the handler may cancel its handle or drop the connection.
        BusConnection::ReplyHandler handler = std::move(entry->onReply);
        entry->owner->drop(entry->id);
        std::string error;
        if (sd_bus_message_is_method_error(message, nullptr)) {
            const sd_bus_error* failure = sd_bus_message_get_error(message);
            error = failure && failure->message ? failure->message
                    : failure && failure->name  ? failure->name
                                                : "unknown error";
            message = nullptr;
        }
        if (handler) handler(message, error);
        return 0;
    }

    static int signal(sd_bus_message* message, void* userdata, sd_bus_error*) {
        auto* entry = static_cast<BusConnection::Entry*>(userdata);
        BusConnection::SignalHandler handler = entry->onSignal;  // may cancel itself
        if (!entry->propertiesInterface.empty()) {
            const char* interface = nullptr;
            if (sd_bus_message_read(message, "s", &interface) < 0 || !interface ||
                entry->propertiesInterface != interface) {
                return 0;
            }
        }
        if (handler) handler(message);
        return 0;
    }

    static int owner(sd_bus_message* message, void* userdata, sd_bus_error*) {
        auto* entry = static_cast<BusConnection::Entry*>(userdata);
        const char *name = nullptr, *before = nullptr, *after = nullptr;
        if (sd_bus_message_read(message, "sss", &name, &before, &after) < 0) return 0;
        auto handler = entry->onOwner;
        if (handler) handler(after && *after);
        return 0;
    }
};

Result<std::unique_ptr<BusConnection>> BusConnection::open(Bus kind, IoWatcher& loop,
                                                           Scheduler& scheduler,
                                                           const std::string& address,
                                                           Duration patience) {
    auto bus = connectReady(kind, address, patience);
    if (!bus) return bus.error();
    std::unique_ptr<BusConnection> connection(new BusConnection(*bus, scheduler));
    const int fd = sd_bus_get_fd(connection->bus_);
    if (fd < 0) return Error{describe("Couldn't get the bus descriptor", fd)};
    connection->watch_ = loop.watchReadable(fd, connection->alive_.guard([raw = connection.get()] {
        raw->process();
    }));
    connection->armDeadline();
    return connection;
}

BusConnection::BusConnection(sd_bus* bus, Scheduler& scheduler)
    : bus_(bus), scheduler_(scheduler) {}

BusConnection::~BusConnection() {
    watch_.cancel();
    deadline_.cancel();
    entries_.clear();  // unreferences every slot: no callback can run after this
    sd_bus_flush_close_unref(bus_);
}

Handle BusConnection::keep(std::unique_ptr<Entry> entry) {
    const std::uint64_t id = entry->id;
    entries_.emplace(id, std::move(entry));
    armDeadline();
    return Handle::make(alive_.guard([this, id] { drop(id); }));
}

void BusConnection::drop(std::uint64_t id) {
    entries_.erase(id);
}

Handle BusConnection::call(const Member& method, const Writer& arguments, ReplyHandler onReply,
                           Duration timeout) {
    auto fail = [&](const std::string& error) {
        // Answered on a later turn, like every other reply, so callers see one order; the
        // handle still cancels it.
        auto pending = std::make_shared<bool>(true);
        scheduler_.post(alive_.guard([pending, onReply, error] {
            if (*pending && onReply) onReply(nullptr, error);
        }));
        return Handle::make([pending] { *pending = false; });
    };
    if (!connected_) return fail("Not connected to the bus");
    sd_bus_message* message = nullptr;
    int r = sd_bus_message_new_method_call(bus_, &message, method.destination.c_str(),
                                           method.path.c_str(), method.interface.c_str(),
                                           method.member.c_str());
    if (r >= 0 && arguments) r = arguments(message);
    if (r < 0) {
        sd_bus_message_unref(message);
        return fail(describe(("Couldn't build the call " + method.member).c_str(), r));
    }
    auto entry = std::make_unique<Entry>();
    entry->id = ++nextId_;
    entry->owner = this;
    entry->onReply = std::move(onReply);
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(timeout).count();
    r = sd_bus_call_async(bus_, &entry->slot, message, &BusTrampoline::reply, entry.get(),
                          static_cast<std::uint64_t>(std::max<std::int64_t>(micros, 1)));
    sd_bus_message_unref(message);
    if (r < 0) {
        return fail(describe(("Couldn't send the call " + method.member).c_str(), r));
    }
    return keep(std::move(entry));
}

Handle BusConnection::match(const Member& signal, SignalHandler onSignal) {
    if (!connected_) return Handle{};
    auto entry = std::make_unique<Entry>();
    entry->id = ++nextId_;
    entry->owner = this;
    entry->onSignal = std::move(onSignal);
    auto orNull = [](const std::string& text) { return text.empty() ? nullptr : text.c_str(); };
    // Asynchronous: the bus daemon's acknowledgement of the match is not waited for.
    const int r = sd_bus_match_signal_async(
        bus_, &entry->slot, orNull(signal.destination), orNull(signal.path),
        orNull(signal.interface), orNull(signal.member), &BusTrampoline::signal, nullptr,
        entry.get());
    if (r < 0) return Handle{};
    return keep(std::move(entry));
}

Handle BusConnection::getProperty(const Member& object, const std::string& property,
                                  ReplyHandler onReply) {
    const std::string interface = object.interface;
    return call({object.destination, object.path, "org.freedesktop.DBus.Properties", "Get"},
                [interface, property](sd_bus_message* m) {
                    return sd_bus_message_append(m, "ss", interface.c_str(), property.c_str());
                },
                std::move(onReply));
}

Handle BusConnection::watchProperties(const Member& object, SignalHandler onChanged) {
    if (!connected_) return Handle{};
    auto entry = std::make_unique<Entry>();
    entry->id = ++nextId_;
    entry->owner = this;
    entry->onSignal = std::move(onChanged);
    entry->propertiesInterface = object.interface;
    std::string rule = "type='signal',interface='org.freedesktop.DBus.Properties',"
                       "member='PropertiesChanged',path=" + quoted(object.path) +
                       ",arg0=" + quoted(object.interface);
    if (!object.destination.empty()) rule += ",sender=" + quoted(object.destination);
    const int r = sd_bus_add_match_async(bus_, &entry->slot, rule.c_str(), &BusTrampoline::signal,
                                         nullptr, entry.get());
    if (r < 0) return Handle{};
    return keep(std::move(entry));
}

Handle BusConnection::watchNameOwner(const std::string& name,
                                     std::function<void(bool hasOwner)> onOwner) {
    if (!connected_) return Handle{};
    auto entry = std::make_unique<Entry>();
    entry->id = ++nextId_;
    entry->owner = this;
    entry->onOwner = std::move(onOwner);
    const std::string rule =
        "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
        "interface='org.freedesktop.DBus',member='NameOwnerChanged',arg0=" + quoted(name);
    const int r = sd_bus_add_match_async(bus_, &entry->slot, rule.c_str(), &BusTrampoline::owner,
                                         nullptr, entry.get());
    if (r < 0) return Handle{};
    return keep(std::move(entry));
}

Handle BusConnection::observeLoss(std::function<void()> onLost) {
    if (!connected_) return Handle{};
    const std::uint64_t id = ++nextId_;
    lossObservers_.emplace(id, std::move(onLost));
    return Handle::make(alive_.guard([this, id] { lossObservers_.erase(id); }));
}

void BusConnection::flush() {
    process();
}

void BusConnection::process() {
    if (!connected_ || processing_) return;
    processing_ = true;
    const auto alive = alive_.token();
    int r = 0;
    // Each turn handles one message; a handler may destroy this connection.
    while ((r = sd_bus_process(bus_, nullptr)) > 0) {
        if (alive.expired()) return;
    }
    if (alive.expired()) return;
    processing_ = false;
    if (r < 0) {
        lost();
        return;
    }
    armDeadline();
}

void BusConnection::armDeadline() {
    if (!connected_) return;
    std::uint64_t due = UINT64_MAX;
    if (sd_bus_get_timeout(bus_, &due) < 0) due = UINT64_MAX;
    // A message that could not be written whole waits for the socket; try again soon.
    const int events = sd_bus_get_events(bus_);
    if (events > 0 && (events & POLLOUT)) due = std::min<std::uint64_t>(due, monotonicMicroseconds() + 1000);
    if (due == UINT64_MAX) {
        deadline_.cancel();
        return;
    }
    const std::uint64_t now = monotonicMicroseconds();
    const auto delay = std::chrono::microseconds(due > now ? due - now : 0);
    deadline_ = scheduler_.oneShot(delay, alive_.guard([this] { process(); }));
}

void BusConnection::lost() {
    connected_ = false;
    watch_.cancel();
    deadline_.cancel();
    const auto alive = alive_.token();
    auto observers = std::move(lossObservers_);
    lossObservers_.clear();
    for (auto& [id, observer] : observers) {
        if (alive.expired()) return;
        if (observer) observer();
    }
}

}  // namespace vesperine
