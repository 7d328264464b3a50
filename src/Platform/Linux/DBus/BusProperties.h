#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <variant>

#include "Support/Result.h"

struct sd_bus_message;

// Reading D-Bus properties out of replies and signals (Get, GetAll, PropertiesChanged)
// without trusting the sender's types: each value comes with its signature, and only the
// plain types our readers use are decoded. A reader that expects a boolean and finds text
// sees `as<bool>()` give null and can say so.
namespace vesperine::BusProperties {

struct Value {
    std::string signature;  // the variant's contents, "b", "u", "d", "s", "a{sv}", ...
    std::variant<std::monostate, bool, std::uint32_t, double, std::string> value;

    template <class T>
    const T* as() const {
        return std::get_if<T>(&value);
    }
};

using Map = std::map<std::string, Value>;

// The variant at the message's position (a Get reply); the message moves past it.
Result<Value> readVariant(sd_bus_message* message);
// The a{sv} at the message's position (a GetAll reply, PropertiesChanged's changed map).
Result<Map> readMap(sd_bus_message* message);
// The booleans named in `wanted` among `properties`. Members not named are skipped and named
// ones that are absent are left out; a named member of another type is an error naming what
// was found, so a wrong answer is reported, not misread.
Result<std::map<std::string, bool>> booleans(const Map& properties,
                                             const std::set<std::string>& wanted);

}  // namespace vesperine::BusProperties
