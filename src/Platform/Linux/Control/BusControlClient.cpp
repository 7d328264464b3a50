#include "Platform/Linux/Control/BusControlClient.h"

#include "Platform/Linux/DBus/BusConnection.h"

#include <systemd/sd-bus.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "Platform/Linux/DBus/BusOpenFailure.h"

namespace vesperine {

namespace {

bool named(const char* name, const char* wanted) {
    return name && std::strcmp(name, wanted) == 0;
}

}  // namespace

Error BusControlClient::describe(const char* name, const char* message, int r) {
    // sd-bus says ETIMEDOUT (or the daemon NoReply) once a call has waited its whole time.
    timedOut_ = r == -ETIMEDOUT || named(name, SD_BUS_ERROR_NO_REPLY) ||
                named(name, SD_BUS_ERROR_TIMEOUT);
    if (timedOut_) {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(patience_).count();
        return Error{"did not answer within " + std::to_string(std::max<std::int64_t>(seconds, 1)) +
                     " s"};
    }
    if (named(name, SD_BUS_ERROR_INVALID_ARGS))
        return Error{std::string("refused: ") + (message ? message : "")};
    return Error{std::string("could not be asked: ") + (message ? message : std::strerror(-r))};
}

Result<std::unique_ptr<BusControlClient>> BusControlClient::open(const ControlBusNames& names,
                                                                 Duration patience) {
    auto bus = BusConnection::connectReady(BusConnection::Bus::session, "", patience);
    if (!bus) return bus.error();
    sd_bus_set_method_call_timeout(
        *bus, static_cast<std::uint64_t>(
                  std::chrono::duration_cast<std::chrono::microseconds>(patience).count()));
    return std::unique_ptr<BusControlClient>(new BusControlClient(*bus, names, patience));
}

BusControlClient::~BusControlClient() { sd_bus_flush_close_unref(bus_); }

Result<std::optional<pid_t>> BusControlClient::ownerProcess() {
    sd_bus_creds* creds = nullptr;
    // The daemon's GetConnectionUnixProcessID for the name's owner.
    int r = sd_bus_get_name_creds(bus_, names_.name.c_str(), SD_BUS_CREDS_PID, &creds);
    pid_t pid = 0;
    if (r >= 0) r = sd_bus_creds_get_pid(creds, &pid);
    sd_bus_creds_unref(creds);
    if (r == -ENXIO) return std::optional<pid_t>();  // NameHasNoOwner
    if (r < 0) return describe(nullptr, nullptr, r);
    return std::optional<pid_t>(pid);
}

Status BusControlClient::call(const char* method, const char* signature, ...) {
    sd_bus_message* message = nullptr;
    int r = sd_bus_message_new_method_call(bus_, &message, names_.name.c_str(),
                                           names_.path.c_str(), names_.interface.c_str(), method);
    if (r >= 0) {
        va_list arguments;
        va_start(arguments, signature);
        r = sd_bus_message_appendv(message, signature, arguments);
        va_end(arguments);
    }
    sd_bus_error error = SD_BUS_ERROR_NULL;
    if (r >= 0) r = sd_bus_call(bus_, message, 0, &error, nullptr);
    sd_bus_message_unref(message);
    Status outcome = r >= 0 ? success() : Status(describe(error.name, error.message, r));
    sd_bus_error_free(&error);
    return outcome;
}

Status BusControlClient::select(const std::string& kind, const std::string& lifetime) {
    return call("Select", "ss", kind.c_str(), lifetime.c_str());
}

Status BusControlClient::setStrength(const std::string& kind, double strength) {
    return call("SetStrength", "sd", kind.c_str(), strength);
}

Status BusControlClient::setLocation(const Location& location) {
    return call("SetLocation", "sdd", location.name.c_str(), location.latitude,
                location.longitude);
}

Result<ControlStatus> BusControlClient::status() {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int r = sd_bus_call_method(bus_, names_.name.c_str(), names_.path.c_str(),
                               "org.freedesktop.DBus.Properties", "GetAll", &error, &reply, "s",
                               names_.interface.c_str());
    if (r < 0) {
        Error failure = describe(error.name, error.message, r);
        sd_bus_error_free(&error);
        return failure;
    }
    ControlStatus status;
    // Each property by its name and type; one this version does not know is skipped.
    const std::pair<const char*, std::string*> texts[] = {
        {"Mode", &status.mode},         {"Kind", &status.kind},
        {"Limitation", &status.limitation}, {"Source", &status.source},
        {"Schedule", &status.schedule}, {"NextMode", &status.nextMode},
        {"Application", &status.application}, {"Guard", &status.guard},
        {"Location", &status.location}};
    const std::pair<const char*, std::int64_t*> times[] = {{"Until", &status.until},
                                                           {"NextChange", &status.nextChange}};
    r = sd_bus_message_enter_container(reply, 'a', "{sv}");
    while (r > 0 && (r = sd_bus_message_enter_container(reply, 'e', "sv")) > 0) {
        const char* name = nullptr;
        if ((r = sd_bus_message_read(reply, "s", &name)) < 0) break;
        const char* contents = nullptr;
        if ((r = sd_bus_message_peek_type(reply, nullptr, &contents)) < 0) break;
        bool read = false;
        for (const auto& [key, field] : texts) {
            if (std::strcmp(name, key) != 0 || std::strcmp(contents, "s") != 0) continue;
            const char* value = nullptr;
            if ((r = sd_bus_message_read(reply, "v", "s", &value)) >= 0) *field = value;
            read = true;
        }
        for (const auto& [key, field] : times) {
            if (std::strcmp(name, key) != 0 || std::strcmp(contents, "x") != 0) continue;
            r = sd_bus_message_read(reply, "v", "x", field);
            read = true;
        }
        if (!read && std::strcmp(name, "Strength") == 0 && std::strcmp(contents, "d") == 0) {
            r = sd_bus_message_read(reply, "v", "d", &status.strength);
            read = true;
        }
        if (!read) r = sd_bus_message_skip(reply, "v");
        if (r < 0) break;
        r = sd_bus_message_exit_container(reply);
        if (r >= 0) r = 1;
    }
    sd_bus_message_unref(reply);
    if (r < 0) return Error{std::string("sent a status that did not read: ") + std::strerror(-r)};
    return status;
}

}  // namespace vesperine
