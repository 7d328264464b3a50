#include "Platform/DefaultsStore.h"

namespace vesperine {

namespace {
template <class T>
const T* as(const std::optional<DefaultsValue>& v) {
    return v ? std::get_if<T>(&*v) : nullptr;
}
}  // namespace

std::optional<std::string> DefaultsStore::data(std::string_view key) const {
    auto v = value(key);
    if (auto* d = as<Data>(v)) return d->bytes;
    return std::nullopt;
}

bool DefaultsStore::boolean(std::string_view key) const {
    auto v = value(key);
    if (auto* b = as<bool>(v)) return *b;
    if (auto* i = as<std::int64_t>(v)) return *i != 0;
    return false;
}

std::int64_t DefaultsStore::integer(std::string_view key) const {
    auto v = value(key);
    if (auto* i = as<std::int64_t>(v)) return *i;
    if (auto* b = as<bool>(v)) return *b ? 1 : 0;
    return 0;
}

double DefaultsStore::number(std::string_view key) const {
    auto v = value(key);
    if (auto* d = as<double>(v)) return *d;
    if (auto* i = as<std::int64_t>(v)) return static_cast<double>(*i);
    return 0.0;
}

std::optional<std::string> DefaultsStore::string(std::string_view key) const {
    auto v = value(key);
    if (auto* s = as<std::string>(v)) return *s;
    return std::nullopt;
}

}  // namespace vesperine
