#include "Platform/Linux/Portal/PortalHotkeys.h"

#include <systemd/sd-bus.h>

#include <unistd.h>

#include <cstring>

#include "Input/ShortcutTrigger.h"
#include "Platform/Linux/DBus/BusProperties.h"

namespace vesperine {

namespace {

constexpr const char* requestInterface = "org.freedesktop.portal.Request";
constexpr const char* sessionInterface = "org.freedesktop.portal.Session";

// Appends {"key": <text>} entries to an open a{sv}.
int appendText(sd_bus_message* m, const char* key, const std::string& value) {
    int r = sd_bus_message_open_container(m, 'e', "sv");
    if (r >= 0) r = sd_bus_message_append(m, "s", key);
    if (r >= 0) r = sd_bus_message_append(m, "v", "s", value.c_str());
    if (r >= 0) r = sd_bus_message_close_container(m);
    return r;
}

// Reads the a{sv} at the message's position, handing each key to `take` with the message
// positioned at the variant; `take` returns false to have the variant skipped.
int readResults(sd_bus_message* m, const std::function<bool(const std::string&, sd_bus_message*)>& take) {
    int r = sd_bus_message_enter_container(m, 'a', "{sv}");
    if (r < 0) return r;
    while ((r = sd_bus_message_enter_container(m, 'e', "sv")) > 0) {
        const char* key = nullptr;
        if ((r = sd_bus_message_read(m, "s", &key)) < 0) return r;
        if (!take(key, m) && (r = sd_bus_message_skip(m, "v")) < 0) return r;
        if ((r = sd_bus_message_exit_container(m)) < 0) return r;
    }
    if (r < 0) return r;
    return sd_bus_message_exit_container(m);
}

// The text inside a variant of "s" or "o" (portals differ in how they send a handle).
std::optional<std::string> readPathOrText(sd_bus_message* m) {
    for (const char* type : {"o", "s"}) {
        if (sd_bus_message_enter_container(m, 'v', type) > 0) {
            const char* text = nullptr;
            const int r = sd_bus_message_read(m, type, &text);
            sd_bus_message_exit_container(m);
            if (r >= 0 && text) return std::string(text);
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace

PortalHotkeys::PortalHotkeys(BusConnection* sessionBus, Scheduler& scheduler, Logger& logger,
                             std::function<std::string(HotkeyID)> describe)
    : PortalHotkeys(sessionBus, scheduler, logger, std::move(describe), std::chrono::seconds(2),
                    Names{}) {}

PortalHotkeys::PortalHotkeys(BusConnection* sessionBus, Scheduler& scheduler, Logger& logger,
                             std::function<std::string(HotkeyID)> describe, Duration timeout,
                             Names names)
    : bus_(sessionBus), scheduler_(scheduler), log_(logger, "hotkeys"),
      describe_(std::move(describe)), timeout_(timeout), names_(std::move(names)) {
    if (!bus_) {
        settle(State::unavailable);
        log_.write(LogLevel::notice, "No session bus: global shortcuts are unavailable");
        return;
    }
    activatedWatch_ = bus_->match({"", names_.path, names_.interface, "Activated"},
                                  alive_.guard([this](sd_bus_message* m) { activated(m); }));
    // A portal that restarts or goes forgets our session: ask again from the start (a portal
    // started on demand comes back for the asking; one that does not is unavailable).
    ownerWatch_ = bus_->watchNameOwner(names_.service, alive_.guard([this](bool) {
        session_.clear();
        asked_.clear();
        bound_.clear();
        declined_.clear();
        rebind_ = false;
        call_.cancel();
        response_.cancel();
        probe();
    }));
    probe();
}

PortalHotkeys::~PortalHotkeys() { closeSession(); }

std::string PortalHotkeys::shortcutId(HotkeyID id) { return "hotkey-" + std::to_string(id.id); }

void PortalHotkeys::probe() {
    state_ = State::probing;
    probing_ = bus_->getProperty(
        {names_.service, names_.path, names_.interface, ""}, "version",
        alive_.guard([this](sd_bus_message* reply, const std::string& error) {
            auto value = error.empty() ? BusProperties::readVariant(reply)
                                       : Result<BusProperties::Value>(Error{error});
            const auto* version = value ? value->as<std::uint32_t>() : nullptr;
            if (!version || *version < 1) {
                log_.write(LogLevel::notice, "unavailable",
                           "The desktop portal offers no global shortcuts (" +
                               (value ? "version of type " + value->signature : value.error().description) +
                               "): hot keys are unavailable");
                settle(State::unavailable);
                return;
            }
            log_.write(LogLevel::info, "available",
                       "Hot keys go through the desktop portal's global shortcuts (version " +
                           std::to_string(*version) + ")");
            settle(State::idle);
            bindLater();
        }));
}

Result<Handle> PortalHotkeys::installPressHandler(std::function<void(HotkeyID)> onPress) {
    onPress_ = std::move(onPress);
    const auto generation = ++pressHandler_;
    return Handle::make(alive_.guard([this, generation] {
        if (pressHandler_ == generation) onPress_ = nullptr;
    }));
}

Result<Handle> PortalHotkeys::registerHotkey(const KeyCombo& combo, HotkeyID id) {
    if (state_ == State::unavailable) return Error{"This desktop offers no global shortcuts"};
    const auto trigger = shortcutTrigger(combo);
    if (!trigger) return Error{"The key can't be offered to the desktop as a shortcut"};
    for (const auto& [number, registration] : registrations_) {
        if (registration.id == id || registration.trigger == *trigger)
            return Error{"Already registered"};
    }
    if (declined_.count({shortcutId(id), *trigger}))
        return Error{"The desktop did not bind it (see its keyboard shortcut settings)"};
    const auto number = ++nextRegistration_;
    registrations_[number] = {id, *trigger};
    bindLater();
    return Handle::make(alive_.guard([this, number] { registrations_.erase(number); }));
}

std::optional<std::string> PortalHotkeys::boundTrigger(HotkeyID id) const {
    auto it = bound_.find(shortcutId(id));
    if (it == bound_.end()) return std::nullopt;
    return it->second;
}

PortalHotkeys::Asked PortalHotkeys::wanted() const {
    Asked wanted;
    for (const auto& [number, registration] : registrations_)
        wanted.insert({shortcutId(registration.id), registration.trigger});
    return wanted;
}

void PortalHotkeys::bindLater() {
    if (bindQueued_) return;
    bindQueued_ = true;
    scheduler_.post(alive_.guard([this] {
        bindQueued_ = false;
        bind();
    }));
}

void PortalHotkeys::bind() {
    if (state_ == State::binding) {
        rebind_ = true;  // once the answer is in
        return;
    }
    if (state_ != State::idle && state_ != State::bound) return;
    const Asked asked = wanted();
    bool news = false;
    for (const auto& entry : asked) news = news || !asked_.count(entry);
    if (!news) return;
    closeSession();
    settle(State::binding);
    request(
        "CreateSession",
        [](sd_bus_message* m, const std::string& token) {
            int r = sd_bus_message_open_container(m, 'a', "{sv}");
            if (r >= 0) r = appendText(m, "handle_token", token);
            if (r >= 0) r = appendText(m, "session_handle_token", "vesperine_" + token);
            if (r >= 0) r = sd_bus_message_close_container(m);
            return r;
        },
        [this, asked](std::uint32_t code, sd_bus_message* results) {
            sessionCreated(code, results, asked);
        });
}

void PortalHotkeys::request(
    const char* method, const std::function<int(sd_bus_message*, const std::string&)>& write,
    std::function<void(std::uint32_t, sd_bus_message*)> onResponse) {
    const std::string token = "vesperine" + std::to_string(::getpid()) + "_" + std::to_string(++nextToken_);
    const char* unique = nullptr;
    sd_bus_get_unique_name(bus_->raw(), &unique);
    std::string sender = unique ? unique + (unique[0] == ':' ? 1 : 0) : "";
    for (char& c : sender) {
        if (c == '.') c = '_';
    }
    auto watch = [this, onResponse](const std::string& path) {
        response_ = bus_->match({"", path, requestInterface, "Response"},
                                alive_.guard([this, onResponse](sd_bus_message* m) {
                                    std::uint32_t code = 2;
                                    if (sd_bus_message_read(m, "u", &code) < 0) code = 2;
                                    response_.cancel();
                                    onResponse(code, m);
                                }));
    };
    // Watched before the call, so an answer that comes at once is not missed.
    const std::string expected = names_.path + "/request/" + sender + "/" + token;
    watch(expected);
    call_ = bus_->call(
        {names_.service, names_.path, names_.interface, method},
        [write, token](sd_bus_message* m) { return write(m, token); },
        alive_.guard([this, method = std::string(method), expected, watch, onResponse](
                         sd_bus_message* reply, const std::string& error) {
            const char* path = nullptr;
            if (!error.empty() || sd_bus_message_read(reply, "o", &path) < 0) {
                response_.cancel();
                log_.always(LogLevel::error, "The desktop portal refused " + method + ": " + error);
                onResponse(2, nullptr);
                return;
            }
            // An older portal may choose its own request path.
            if (path != expected) watch(path);
        }),
        timeout_);
}

void PortalHotkeys::sessionCreated(std::uint32_t code, sd_bus_message* results, Asked asked) {
    std::optional<std::string> session;
    if (code == 0 && results) {
        readResults(results, [&](const std::string& key, sd_bus_message* m) {
            if (key != "session_handle") return false;
            session = readPathOrText(m);
            return true;
        });
    }
    if (!session) {
        refused(asked, "The desktop portal did not open a shortcuts session (response " +
                           std::to_string(code) + ")");
        return;
    }
    session_ = *session;
    std::map<std::string, HotkeyID> ids;
    for (const auto& [number, registration] : registrations_)
        ids[shortcutId(registration.id)] = registration.id;
    request(
        "BindShortcuts",
        [this, asked, ids](sd_bus_message* m, const std::string& token) {
            int r = sd_bus_message_append(m, "o", session_.c_str());
            if (r >= 0) r = sd_bus_message_open_container(m, 'a', "(sa{sv})");
            for (const auto& [id, trigger] : asked) {
                if (r >= 0) r = sd_bus_message_open_container(m, 'r', "sa{sv}");
                if (r >= 0) r = sd_bus_message_append(m, "s", id.c_str());
                if (r >= 0) r = sd_bus_message_open_container(m, 'a', "{sv}");
                auto found = ids.find(id);
                if (r >= 0)
                    r = appendText(m, "description",
                                   found != ids.end() && describe_ ? describe_(found->second) : id);
                if (r >= 0) r = appendText(m, "preferred_trigger", trigger);
                if (r >= 0) r = sd_bus_message_close_container(m);
                if (r >= 0) r = sd_bus_message_close_container(m);
            }
            if (r >= 0) r = sd_bus_message_close_container(m);
            if (r >= 0) r = sd_bus_message_append(m, "s", "");
            if (r >= 0) r = sd_bus_message_open_container(m, 'a', "{sv}");
            if (r >= 0) r = appendText(m, "handle_token", token);
            if (r >= 0) r = sd_bus_message_close_container(m);
            return r;
        },
        [this, asked](std::uint32_t code, sd_bus_message* results) { bound(code, results, asked); });
}

void PortalHotkeys::bound(std::uint32_t code, sd_bus_message* results, const Asked& asked) {
    // 0: bound (maybe not all); 1: the user cancelled; 2: anything else.
    std::map<std::string, std::string> got;
    if (code == 0 && results) {
        readResults(results, [&](const std::string& key, sd_bus_message* m) {
            if (key != "shortcuts" || sd_bus_message_enter_container(m, 'v', "a(sa{sv})") <= 0)
                return false;
            if (sd_bus_message_enter_container(m, 'a', "(sa{sv})") > 0) {
                while (sd_bus_message_enter_container(m, 'r', "sa{sv}") > 0) {
                    const char* id = nullptr;
                    std::string description;
                    if (sd_bus_message_read(m, "s", &id) < 0 || !id) break;
                    readResults(m, [&](const std::string& field, sd_bus_message* v) {
                        if (field != "trigger_description") return false;
                        description = readPathOrText(v).value_or("");
                        return true;
                    });
                    got[id] = description;
                    sd_bus_message_exit_container(m);
                }
                sd_bus_message_exit_container(m);
            }
            sd_bus_message_exit_container(m);
            return true;
        });
    }
    if (code == 2) {
        refused(asked, "The desktop portal could not bind the shortcuts");
        return;
    }
    asked_ = asked;
    bound_ = got;
    declined_.clear();
    for (const auto& entry : asked) {
        if (!got.count(entry.first)) declined_.insert(entry);
    }
    log_.always(LogLevel::notice, "The desktop bound " + std::to_string(got.size()) + " of " +
                                      std::to_string(asked.size()) + " hot keys" +
                                      (code == 1 ? " (the user declined)" : ""));
    settle(State::bound);
    if (std::exchange(rebind_, false)) bind();
}

void PortalHotkeys::activated(sd_bus_message* signal) {
    const char* session = nullptr;
    const char* id = nullptr;
    if (sd_bus_message_read(signal, "os", &session, &id) < 0 || session_ != session) return;
    for (const auto& [number, registration] : registrations_) {
        if (shortcutId(registration.id) != id) continue;
        if (!bound_.count(id)) return;  // not ours to fire while the desktop declines it
        if (onPress_) onPress_(registration.id);
        return;
    }
}

void PortalHotkeys::closeSession() {
    if (session_.empty() || !bus_) return;
    // Answered or not, the session is given up; the portal also ends it when we leave the bus.
    bus_->call({names_.service, session_, sessionInterface, "Close"}, nullptr,
               [](sd_bus_message*, const std::string&) {})
        .cancel();
    bus_->flush();
    session_.clear();
}

void PortalHotkeys::settle(State state) {
    // What registering would say changes when the portal turns out to be missing, and when
    // the desktop has answered a request; taking registrations while asking changes nothing.
    const State before = std::exchange(state_, state);
    if ((state == State::unavailable && before != State::unavailable) ||
        (before == State::binding && state != State::binding))
        observers_.notify();
}

void PortalHotkeys::refused(const Asked& asked, const std::string& message) {
    log_.always(LogLevel::error, message);
    closeSession();
    // Not asked again until the portal restarts: registering them again fails at once, and
    // the owner that registers again on hearing this does not start another round.
    asked_ = asked;
    bound_.clear();
    declined_ = asked;
    rebind_ = false;
    settle(State::idle);
}

}  // namespace vesperine
