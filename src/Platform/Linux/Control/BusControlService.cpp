#include "Platform/Linux/Control/BusControlService.h"

#include "Platform/Linux/Process/ProcessInfo.h"

#include <systemd/sd-bus.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "Support/SafeText.h"

namespace vesperine {

namespace {

// One property: its bus name, signature and how it reads from a status.
struct Property {
    const char* name;
    const char* signature;
    int (*append)(sd_bus_message* reply, const ControlStatus& status);
    bool (*same)(const ControlStatus& a, const ControlStatus& b);
};

// Names come from the schedule file and from applications' windows: what the bus would refuse
// (a noncharacter, a NUL, bytes that are not UTF-8) is replaced on the way out, so a property
// always reads and a status always arrives. The stored name stays as it is.
int append(sd_bus_message* reply, const std::string& value) {
    return sd_bus_message_append_basic(reply, 's', SafeText::forBus(value).c_str());
}
int append(sd_bus_message* reply, double value) {
    return sd_bus_message_append_basic(reply, 'd', &value);
}
int append(sd_bus_message* reply, std::int64_t value) {
    return sd_bus_message_append_basic(reply, 'x', &value);
}

#define VESPERINE_PROPERTY(busName, sig, field)                                               \
    Property {                                                                                \
        busName, sig,                                                                         \
            [](sd_bus_message* reply, const ControlStatus& status) {                          \
                return append(reply, status.field);                                           \
            },                                                                                \
            [](const ControlStatus& a, const ControlStatus& b) { return a.field == b.field; } \
    }

const Property properties[] = {
    VESPERINE_PROPERTY("Mode", "s", mode),
    VESPERINE_PROPERTY("Kind", "s", kind),
    VESPERINE_PROPERTY("Strength", "d", strength),
    VESPERINE_PROPERTY("Limitation", "s", limitation),
    VESPERINE_PROPERTY("Source", "s", source),
    VESPERINE_PROPERTY("Until", "x", until),
    VESPERINE_PROPERTY("Application", "s", application),
    VESPERINE_PROPERTY("Guard", "s", guard),
    VESPERINE_PROPERTY("Schedule", "s", schedule),
    VESPERINE_PROPERTY("NextMode", "s", nextMode),
    VESPERINE_PROPERTY("NextChange", "x", nextChange),
    VESPERINE_PROPERTY("Location", "s", location),
};

#undef VESPERINE_PROPERTY

int invalid(sd_bus_error* error, const std::string& why) {
    return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, SafeText::forBus(why).c_str());
}

std::optional<DisplayMode::Kind> readKind(sd_bus_message* message, sd_bus_error* error,
                                          int& r) {
    const char* word = nullptr;
    r = sd_bus_message_read(message, "s", &word);
    if (r < 0) return std::nullopt;
    const auto kind = kindFromRawValue(word);
    if (!kind) r = invalid(error, std::string("no kind of mode is called '") + word + "'");
    return kind;
}

}  // namespace

// The vtable's handlers: plain functions that find the service in their user data.
struct ControlBusVtable {
    static BusControlService& of(void* data) { return *static_cast<BusControlService*>(data); }
    static const char* sender(sd_bus_message* m) {
        const char* name = sd_bus_message_get_sender(m);
        return name ? name : "?";
    }

    // A request the instance will not carry out: said to the caller and in the log.
    static int refuse(void* data, sd_bus_error* error, const Error& why) {
        of(data).log_.info("Refused: %s", why.description.c_str());
        return invalid(error, why.description);
    }

    static int activate(sd_bus_message* m, void* data, sd_bus_error*) {
        BusControlService& service = of(data);
        service.log_.info("Activate from %s", sender(m));
        if (service.onActivate_) service.onActivate_();
        return sd_bus_reply_method_return(m, "");
    }
    static int select(sd_bus_message* m, void* data, sd_bus_error* error) {
        int r = 0;
        const auto kind = readKind(m, error, r);
        if (!kind) return r;
        const char* word = nullptr;
        if ((r = sd_bus_message_read(m, "s", &word)) < 0) return r;
        const auto lifetime = lifetimeChoiceFromRawValue(word);
        if (!lifetime) {
            return invalid(error, std::string("a pick lasts \"nextChange\", \"oneHour\" or "
                                              "\"untilOff\", not '") + word + "'");
        }
        of(data).log_.info("Select %s for %s from %s", rawValue(*kind), word, sender(m));
        if (auto done = of(data).control_.select(*kind, *lifetime); !done)
            return refuse(data, error, done.error());
        return sd_bus_reply_method_return(m, "");
    }
    static int setStrength(sd_bus_message* m, void* data, sd_bus_error* error) {
        int r = 0;
        const auto kind = readKind(m, error, r);
        if (!kind) return r;
        double value = 0;
        if ((r = sd_bus_message_read(m, "d", &value)) < 0) return r;
        of(data).log_.info("SetStrength %s %g from %s", rawValue(*kind), value, sender(m));
        if (auto done = of(data).control_.setStrength(*kind, value); !done)
            return refuse(data, error, done.error());
        return sd_bus_reply_method_return(m, "");
    }
    static int preview(sd_bus_message* m, void* data, sd_bus_error* error) {
        int r = 0;
        const auto kind = readKind(m, error, r);
        if (!kind) return r;
        double strength = 0, seconds = 0;
        if ((r = sd_bus_message_read(m, "dd", &strength, &seconds)) < 0) return r;
        DisplayMode mode = DisplayMode::off();
        switch (*kind) {
            case DisplayMode::Kind::bright: mode = DisplayMode::bright(strength); break;
            case DisplayMode::Kind::warm: mode = DisplayMode::warm(strength); break;
            case DisplayMode::Kind::red: mode = DisplayMode::red(strength); break;
            case DisplayMode::Kind::off: break;
        }
        of(data).log_.info("Preview %s for %g s from %s", mode.shortDescription().c_str(),
                           seconds, sender(m));
        if (auto done = of(data).control_.preview(mode, seconds); !done)
            return refuse(data, error, done.error());
        return sd_bus_reply_method_return(m, "");
    }
    static int resume(sd_bus_message* m, void* data, sd_bus_error*) {
        of(data).log_.info("Resume from %s", sender(m));
        of(data).control_.resume();
        return sd_bus_reply_method_return(m, "");
    }
    static int reset(sd_bus_message* m, void* data, sd_bus_error*) {
        of(data).log_.notice("Reset from %s: giving the displays their own colours back",
                             sender(m));
        of(data).control_.reset();
        return sd_bus_reply_method_return(m, "");
    }
    static int setLocation(sd_bus_message* m, void* data, sd_bus_error* error) {
        const char* name = nullptr;
        double latitude = 0, longitude = 0;
        if (int r = sd_bus_message_read(m, "sdd", &name, &latitude, &longitude); r < 0) return r;
        of(data).log_.info("SetLocation %s (%g, %g) from %s", SafeText::forPeople(name).c_str(),
                           latitude, longitude, sender(m));
        if (auto done = of(data).control_.setLocation(Location{name, latitude, longitude}); !done)
            return refuse(data, error, done.error());
        return sd_bus_reply_method_return(m, "");
    }
    static int clearLocation(sd_bus_message* m, void* data, sd_bus_error* error) {
        of(data).log_.info("ClearLocation from %s", sender(m));
        if (auto done = of(data).control_.clearLocation(); !done)
            return refuse(data, error, done.error());
        return sd_bus_reply_method_return(m, "");
    }
    static int property(sd_bus*, const char*, const char*, const char* name,
                        sd_bus_message* reply, void* data, sd_bus_error*) {
        for (const Property& p : properties) {
            if (std::strcmp(p.name, name) == 0) return p.append(reply, of(data).shown_);
        }
        return -ENOENT;
    }

    // Methods first, then one property for each row of `properties`.
    static std::vector<sd_bus_vtable> make() {
        std::vector<sd_bus_vtable> vtable = {
            SD_BUS_VTABLE_START(0),
            SD_BUS_METHOD("Activate", "", "", activate, SD_BUS_VTABLE_UNPRIVILEGED),
            SD_BUS_METHOD_WITH_NAMES("Select", "ss", SD_BUS_PARAM(kind) SD_BUS_PARAM(lifetime),
                                     "", , select, SD_BUS_VTABLE_UNPRIVILEGED),
            SD_BUS_METHOD_WITH_NAMES("SetStrength", "sd",
                                     SD_BUS_PARAM(kind) SD_BUS_PARAM(strength), "", ,
                                     setStrength, SD_BUS_VTABLE_UNPRIVILEGED),
            SD_BUS_METHOD_WITH_NAMES("Preview", "sdd",
                                     SD_BUS_PARAM(kind) SD_BUS_PARAM(strength)
                                         SD_BUS_PARAM(seconds),
                                     "", , preview, SD_BUS_VTABLE_UNPRIVILEGED),
            SD_BUS_METHOD("Resume", "", "", resume, SD_BUS_VTABLE_UNPRIVILEGED),
            SD_BUS_METHOD("Reset", "", "", reset, SD_BUS_VTABLE_UNPRIVILEGED),
            SD_BUS_METHOD_WITH_NAMES("SetLocation", "sdd",
                                     SD_BUS_PARAM(name) SD_BUS_PARAM(latitude)
                                         SD_BUS_PARAM(longitude),
                                     "", , setLocation, SD_BUS_VTABLE_UNPRIVILEGED),
            SD_BUS_METHOD("ClearLocation", "", "", clearLocation, SD_BUS_VTABLE_UNPRIVILEGED),
        };
        for (const Property& p : properties) {
            vtable.push_back(SD_BUS_PROPERTY(p.name, p.signature, property, 0,
                                             SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE));
        }
        vtable.push_back(SD_BUS_VTABLE_END);
        return vtable;
    }
    static const sd_bus_vtable* table() {
        static const std::vector<sd_bus_vtable> vtable = make();
        return vtable.data();
    }
};

Result<std::unique_ptr<BusControlService>> BusControlService::publish(
    BusConnection& bus, const ControlBusNames& names, RemoteControl& control,
    std::function<void()> onActivate, Logger& logger) {
    std::unique_ptr<BusControlService> service(
        new BusControlService(bus, names, control, std::move(onActivate), logger));
    const auto failed = [&](const char* what, int r) {
        return Error{std::string(what) + " " + names.name + " on the session bus: " +
                     std::strerror(-r)};
    };
    int r = sd_bus_add_object_vtable(bus.raw(), &service->slot_, names.path.c_str(),
                                     names.interface.c_str(), ControlBusVtable::table(),
                                     service.get());
    if (r < 0) return failed("Couldn't publish", r);
    // Owning the name is what scripts look for: ask for it only once the object answers.
    // The instance lock, not the name, makes this the one instance, so a name another
    // process holds is queued for: the daemon hands it over once that process lets it go.
    service->acquired_ = bus.match(
        {"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameAcquired"},
        [raw = service.get()](sd_bus_message* signal) {
            const char* acquired = nullptr;
            if (sd_bus_message_read(signal, "s", &acquired) >= 0 && acquired &&
                raw->names_.name == acquired && !raw->ownsName_) {
                raw->ownsName_ = true;
                raw->log_.notice("Took the name %s on the session bus, now that it is free",
                                 acquired);
            }
        });
    r = sd_bus_request_name(bus.raw(), names.name.c_str(), SD_BUS_NAME_QUEUE);
    if (r < 0) return failed("Couldn't take the name", r);
    service->queued_ = true;
    if (r > 0) {
        service->ownsName_ = true;
    } else {
        sd_bus_creds* creds = nullptr;
        pid_t pid = 0;
        std::string holder = "another process";
        if (sd_bus_get_name_creds(bus.raw(), names.name.c_str(), SD_BUS_CREDS_PID, &creds) >= 0 &&
            sd_bus_creds_get_pid(creds, &pid) >= 0) {
            const auto program = ProcessInfo::executableName(pid);
            holder = "process " + std::to_string(pid) + (program ? " (" + *program + ")" : "");
        }
        sd_bus_creds_unref(creds);
        service->log_.error(
            "%s holds the name %s on the session bus; commands can't reach this instance "
            "until it lets the name go, and then it is taken",
            holder.c_str(), names.name.c_str());
    }
    bus.flush();
    return service;
}

BusControlService::BusControlService(BusConnection& bus, ControlBusNames names,
                                     RemoteControl& control, std::function<void()> onActivate,
                                     Logger& logger)
    : bus_(bus),
      names_(std::move(names)),
      control_(control),
      onActivate_(std::move(onActivate)),
      log_(logger, "control"),
      shown_(control.status().get()) {
    watch_ = control_.status().observe([this](const ControlStatus& status) {
        const ControlStatus before = shown_;
        shown_ = status;
        announce(before, status);
    });
}

BusControlService::~BusControlService() {
    watch_.reset();
    acquired_.cancel();
    // Also leaves the queue, when the name never came.
    if (bus_.isConnected() && queued_) {
        sd_bus_release_name(bus_.raw(), names_.name.c_str());
    }
    sd_bus_slot_unref(slot_);
    bus_.flush();
}

void BusControlService::announce(const ControlStatus& before, const ControlStatus& after) {
    if (!bus_.isConnected() || !ownsName_) return;
    std::vector<char*> changed;
    for (const Property& p : properties) {
        if (!p.same(before, after)) changed.push_back(const_cast<char*>(p.name));
    }
    if (changed.empty()) return;
    changed.push_back(nullptr);
    const int r = sd_bus_emit_properties_changed_strv(bus_.raw(), names_.path.c_str(),
                                                       names_.interface.c_str(), changed.data());
    if (r < 0) log_.debug("Couldn't announce a change of status: %s", std::strerror(-r));
    bus_.flush();
}

}  // namespace vesperine
