#pragma once

#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <utility>

#include "Support/Instant.h"
#include "Support/Result.h"
#include "Support/Uuid.h"

namespace vesperine {

using Json = nlohmann::json;

// The JSON form of a stored type. Each type that is kept in a file or in the defaults store
// specialises this with
//     static Json encode(const T&);
//     static Result<T> decode(const Json&);
// Decoding never throws and never clamps: it gives the value as stored or an Error.
template <class T>
struct JsonCodec;

namespace json {

// Error text for an object that must name exactly one case of an enumeration.
inline constexpr const char* invalidCaseCount = "Invalid number of keys found, expected one.";

Result<Json> parse(std::string_view text);

// Compact text of a tree. Fails (instead of writing null) when a number is NaN or infinite:
// JSON has no such numbers, and a file written that way would not read back.
Result<std::string> serialize(const Json& tree);

template <class T>
Result<T> decode(std::string_view text) {
    auto tree = parse(text);
    if (!tree) return tree.error();
    return JsonCodec<T>::decode(*tree);
}

template <class T>
Result<std::string> encode(const T& value) {
    return serialize(JsonCodec<T>::encode(value));
}

// Member access for decoders. Each fails with a readable description when the member is
// missing or has the wrong JSON type.
Result<const Json*> member(const Json& object, const char* name);
Result<double> number(const Json& object, const char* name);
Result<std::int64_t> integer(const Json& object, const char* name);
Result<bool> boolean(const Json& object, const char* name);
Result<std::string> string(const Json& object, const char* name);
Result<Uuid> uuid(const Json& object, const char* name);
Result<Instant> referenceDate(const Json& object, const char* name);  // seconds since 2001

// Plain values (not members).
Result<double> asNumber(const Json& value, std::string_view what);
Result<std::int64_t> asInteger(const Json& value, std::string_view what);

template <class T>
Result<T> decodeMember(const Json& object, const char* name) {
    auto found = member(object, name);
    if (!found) return found.error();
    return JsonCodec<T>::decode(**found);
}

// For enumerations stored as {"caseName": {...payload...}}: finds the one member of
// `object` whose name is one of `cases` (other members are not counted). Zero or several
// give invalidCaseCount.
struct CaseMember {
    std::string name;
    const Json* payload;
};
Result<CaseMember> singleCase(const Json& object, std::initializer_list<const char*> cases);

}  // namespace json
}  // namespace vesperine
