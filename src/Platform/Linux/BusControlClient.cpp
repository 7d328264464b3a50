#include "Platform/Linux/BusControlClient.h"

#include <systemd/sd-bus.h>

#include <cstdarg>
#include <cstring>

#include "Platform/Linux/BusOpenFailure.h"

namespace vesperine {

namespace {

constexpr const char* unknownMethodPrefix = "[UnknownMethod] ";

// Words that follow "it" (the instance): its own message for an error it raised, else what
// the bus said.
Error describe(const sd_bus_error& error, int r) {
    if (error.name && std::strcmp(error.name, SD_BUS_ERROR_UNKNOWN_METHOD) == 0)
        return Error{std::string(unknownMethodPrefix) + (error.message ? error.message : "")};
    if (error.name && std::strcmp(error.name, SD_BUS_ERROR_NO_REPLY) == 0)
        return Error{"did not answer in time"};
    if (error.name && std::strcmp(error.name, SD_BUS_ERROR_INVALID_ARGS) == 0)
        return Error{std::string("refused: ") + (error.message ? error.message : "")};
    return Error{std::string("could not be asked: ") +
                 (error.message ? error.message : std::strerror(-r))};
}

}  // namespace

Result<std::unique_ptr<BusControlClient>> BusControlClient::open(const ControlBusNames& names,
                                                                 Duration patience) {
    sd_bus* bus = nullptr;
    const int r = sd_bus_open_user(&bus);
    if (r < 0) return Error{"Couldn't connect to " + busOpenFailure(false, r)};
    sd_bus_set_method_call_timeout(
        bus, static_cast<std::uint64_t>(
                 std::chrono::duration_cast<std::chrono::microseconds>(patience).count()));
    return std::unique_ptr<BusControlClient>(new BusControlClient(bus, names));
}

BusControlClient::~BusControlClient() { sd_bus_flush_close_unref(bus_); }

bool BusControlClient::instanceRuns() const {
    sd_bus_creds* creds = nullptr;
    const int r = sd_bus_get_name_creds(bus_, names_.name.c_str(), 0, &creds);
    sd_bus_creds_unref(creds);
    return r >= 0;
}

bool BusControlClient::isUnknownMethod(const Error& error) {
    return error.description.starts_with(unknownMethodPrefix);
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
    Status outcome = r >= 0 ? success() : Status(describe(error, r));
    sd_bus_error_free(&error);
    return outcome;
}

Status BusControlClient::select(const std::string& kind, const std::string& lifetime) {
    return call("Select", "ss", kind.c_str(), lifetime.c_str());
}

Status BusControlClient::setStrength(const std::string& kind, double strength) {
    return call("SetStrength", "sd", kind.c_str(), strength);
}

Result<ControlStatus> BusControlClient::status() {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int r = sd_bus_call_method(bus_, names_.name.c_str(), names_.path.c_str(),
                               "org.freedesktop.DBus.Properties", "GetAll", &error, &reply, "s",
                               names_.interface.c_str());
    if (r < 0) {
        Error failure = describe(error, r);
        sd_bus_error_free(&error);
        return failure;
    }
    ControlStatus status;
    // Each property by its name and type; one this version does not know is skipped.
    const std::pair<const char*, std::string*> texts[] = {
        {"Mode", &status.mode},         {"Kind", &status.kind},
        {"Limitation", &status.limitation}, {"Source", &status.source},
        {"Schedule", &status.schedule}, {"NextMode", &status.nextMode},
        {"Application", &status.application}, {"Guard", &status.guard}};
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
