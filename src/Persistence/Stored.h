#pragma once

#include <string_view>

#include "Platform/DefaultsStore.h"
#include "Support/Json.h"

namespace vesperine {

// Small settings records kept in the defaults store as the bytes of their JSON text.
namespace Stored {

// Stores `value` under `key`. When encoding fails nothing is written.
template <class T>
bool save(const T& value, std::string_view key, DefaultsStore& defaults) {
    auto text = json::encode(value);
    if (!text) return false;
    defaults.setData(key, std::move(text).value());
    return true;
}

// The value under `key`, or `fallback` when there is none or it does not decode.
template <class T>
T load(std::string_view key, T fallback, const DefaultsStore& defaults) {
    auto bytes = defaults.data(key);
    if (!bytes) return fallback;
    auto decoded = json::decode<T>(*bytes);
    if (!decoded) return fallback;
    return std::move(decoded).value();
}

}  // namespace Stored
}  // namespace vesperine
