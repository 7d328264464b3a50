#include "Platform/Simulated/MemoryDefaultsStore.h"

namespace vesperine {

std::optional<DefaultsValue> MemoryDefaultsStore::value(std::string_view key) const {
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

void MemoryDefaultsStore::set(std::string_view key, DefaultsValue value) {
    auto it = values_.find(key);
    if (it != values_.end() && it->second == value) return;
    values_.insert_or_assign(std::string(key), std::move(value));
    wrote();
}

void MemoryDefaultsStore::remove(std::string_view key) {
    auto it = values_.find(key);
    if (it == values_.end()) return;
    values_.erase(it);
    wrote();
}

void MemoryDefaultsStore::wrote() {
    ++writes_;
    writeFailure_.set(failWrites_.empty() ? std::nullopt : std::optional<std::string>(failWrites_));
}

}  // namespace vesperine
