#include "Support/Json.h"

#include <cmath>
#include <limits>
#include <vector>

namespace vesperine::json {

namespace {

std::string quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

Error missing(const char* name) { return Error{"No value for key " + quoted(name) + "."}; }

Error wrongType(std::string_view what, const char* expected) {
    return Error{"Expected " + std::string(expected) + " for " + std::string(what) + "."};
}

bool allFinite(const Json& tree) {
    // Iterative, so that a deep tree cannot exhaust the stack.
    std::vector<const Json*> pending{&tree};
    while (!pending.empty()) {
        const Json* node = pending.back();
        pending.pop_back();
        if (node->is_number_float() && !std::isfinite(node->get<double>())) return false;
        if (node->is_structured()) {
            for (const auto& child : *node) pending.push_back(&child);
        }
    }
    return true;
}

}  // namespace

Result<Json> parse(std::string_view text) {
    Json tree = Json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
    if (tree.is_discarded()) return Error{"The data isn't valid JSON."};
    return tree;
}

Result<std::string> serialize(const Json& tree) {
    if (!allFinite(tree)) return Error{"A number is not finite and cannot be written as JSON."};
    // Replace invalid UTF-8 rather than throwing: names typed by the user are kept readable.
    return tree.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Result<const Json*> member(const Json& object, const char* name) {
    if (!object.is_object()) return wrongType(quoted(name), "an object holding it");
    auto it = object.find(name);
    if (it == object.end()) return missing(name);
    return &*it;
}

Result<double> asNumber(const Json& value, std::string_view what) {
    if (!value.is_number()) return wrongType(what, "a number");
    return value.get<double>();
}

Result<std::int64_t> asInteger(const Json& value, std::string_view what) {
    if (value.is_number_integer()) {
        if (value.is_number_unsigned() &&
            value.get<std::uint64_t>() >
                static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return wrongType(what, "an integer that fits in 64 bits");
        }
        return value.get<std::int64_t>();
    }
    if (value.is_number_float()) {
        // 7.0 is an integer written with a fraction; 7.5 and 1e300 are not integers we can hold.
        double d = value.get<double>();
        if (std::isfinite(d) && d == std::trunc(d) && d >= -9.2233720368547758e18 &&
            d < 9.2233720368547758e18) {
            return static_cast<std::int64_t>(d);
        }
    }
    return wrongType(what, "an integer");
}

Result<double> number(const Json& object, const char* name) {
    auto found = member(object, name);
    if (!found) return found.error();
    return asNumber(**found, quoted(name));
}

Result<std::int64_t> integer(const Json& object, const char* name) {
    auto found = member(object, name);
    if (!found) return found.error();
    return asInteger(**found, quoted(name));
}

Result<bool> boolean(const Json& object, const char* name) {
    auto found = member(object, name);
    if (!found) return found.error();
    if (!(*found)->is_boolean()) return wrongType(quoted(name), "true or false");
    return (*found)->get<bool>();
}

Result<std::string> string(const Json& object, const char* name) {
    auto found = member(object, name);
    if (!found) return found.error();
    if (!(*found)->is_string()) return wrongType(quoted(name), "a string");
    return (*found)->get<std::string>();
}

Result<Uuid> uuid(const Json& object, const char* name) {
    auto text = string(object, name);
    if (!text) return text.error();
    auto id = Uuid::parse(*text);
    if (!id) return Error{"Attempted to decode UUID from invalid UUID string."};
    return *id;
}

Result<Instant> referenceDate(const Json& object, const char* name) {
    auto seconds = number(object, name);
    if (!seconds) return seconds.error();
    return Instant::fromReferenceDate(*seconds);
}

Result<CaseMember> singleCase(const Json& object, std::initializer_list<const char*> cases) {
    if (!object.is_object()) return Error{invalidCaseCount};
    const CaseMember none{{}, nullptr};
    CaseMember found = none;
    int count = 0;
    for (const char* name : cases) {
        auto it = object.find(name);
        if (it == object.end()) continue;
        ++count;
        found = CaseMember{name, &*it};
    }
    if (count != 1) return Error{invalidCaseCount};
    return found;
}

}  // namespace vesperine::json
