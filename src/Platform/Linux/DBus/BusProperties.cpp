#include "Platform/Linux/DBus/BusProperties.h"

#include <systemd/sd-bus.h>

#include <cstring>

namespace vesperine::BusProperties {

namespace {

Error malformed(const char* what, int result) {
    return Error{std::string("Couldn't read ") + what + ": " + std::strerror(-result)};
}

template <class T>
int readBasic(sd_bus_message* message, char type, const char* contents, T& out) {
    int r = sd_bus_message_enter_container(message, 'v', contents);
    if (r < 0) return r;
    r = sd_bus_message_read_basic(message, type, &out);
    if (r < 0) return r;
    return sd_bus_message_exit_container(message);
}

}  // namespace

Result<Value> readVariant(sd_bus_message* message) {
    char type = 0;
    const char* contents = nullptr;
    int r = sd_bus_message_peek_type(message, &type, &contents);
    if (r <= 0 || type != 'v' || !contents) return malformed("a property value", r < 0 ? r : -EBADMSG);
    Value value;
    value.signature = contents;
    if (value.signature == "b") {
        int flag = 0;
        r = readBasic(message, 'b', contents, flag);
        value.value = flag != 0;
    } else if (value.signature == "u") {
        std::uint32_t number = 0;
        r = readBasic(message, 'u', contents, number);
        value.value = number;
    } else if (value.signature == "d") {
        double number = 0;
        r = readBasic(message, 'd', contents, number);
        value.value = number;
    } else if (value.signature == "s" || value.signature == "o") {
        const char* text = nullptr;
        r = readBasic(message, value.signature[0], contents, text);
        value.value = std::string(text ? text : "");
    } else {
        r = sd_bus_message_skip(message, "v");
    }
    if (r < 0) return malformed("a property value", r);
    return value;
}

Result<Map> readMap(sd_bus_message* message) {
    int r = sd_bus_message_enter_container(message, 'a', "{sv}");
    if (r < 0) return malformed("a property list", r);
    Map map;
    while ((r = sd_bus_message_enter_container(message, 'e', "sv")) > 0) {
        const char* name = nullptr;
        r = sd_bus_message_read(message, "s", &name);
        if (r < 0) return malformed("a property name", r);
        auto value = readVariant(message);
        if (!value) return value.error();
        map[name ? name : ""] = std::move(value).value();
        r = sd_bus_message_exit_container(message);
        if (r < 0) return malformed("a property list", r);
    }
    if (r < 0) return malformed("a property list", r);
    r = sd_bus_message_exit_container(message);
    if (r < 0) return malformed("a property list", r);
    return map;
}

Result<std::map<std::string, bool>> booleans(const Map& properties,
                                             const std::set<std::string>& wanted) {
    std::map<std::string, bool> values;
    for (const auto& [name, value] : properties) {
        if (!wanted.count(name)) continue;
        const bool* flag = value.as<bool>();
        if (!flag) return Error{name + " is of type " + value.signature + ", not a boolean"};
        values[name] = *flag;
    }
    return values;
}

}  // namespace vesperine::BusProperties
