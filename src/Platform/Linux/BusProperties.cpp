#include "Platform/Linux/BusProperties.h"

#include <systemd/sd-bus.h>

#include <cstring>

namespace vesperine {

Result<std::map<std::string, bool>> readBooleanProperties(sd_bus_message* message,
                                                         const std::set<std::string>& wanted) {
    const auto malformed = [](int r) {
        return Error{std::string("not a property dictionary: ") + std::strerror(r < 0 ? -r : EINVAL)};
    };
    std::map<std::string, bool> values;
    int r = sd_bus_message_enter_container(message, SD_BUS_TYPE_ARRAY, "{sv}");
    if (r <= 0) return malformed(r);
    while ((r = sd_bus_message_enter_container(message, SD_BUS_TYPE_DICT_ENTRY, "sv")) > 0) {
        const char* name = nullptr;
        if ((r = sd_bus_message_read(message, "s", &name)) < 0) return malformed(r);
        const char* contents = nullptr;
        if ((r = sd_bus_message_peek_type(message, nullptr, &contents)) < 0) return malformed(r);
        if (wanted.count(name)) {
            if (!contents || std::strcmp(contents, "b") != 0) {
                return Error{std::string(name) + " is of type " + (contents ? contents : "?") +
                             ", not a boolean"};
            }
            int value = 0;
            if ((r = sd_bus_message_read(message, "v", "b", &value)) < 0) return malformed(r);
            values[name] = value != 0;
        } else if ((r = sd_bus_message_skip(message, "v")) < 0) {
            return malformed(r);
        }
        if ((r = sd_bus_message_exit_container(message)) < 0) return malformed(r);
    }
    if (r < 0) return malformed(r);
    if ((r = sd_bus_message_exit_container(message)) < 0) return malformed(r);
    return values;
}

}  // namespace vesperine
