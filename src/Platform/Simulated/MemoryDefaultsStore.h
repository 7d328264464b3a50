#pragma once

#include <map>
#include <string>

#include "Platform/DefaultsStore.h"

namespace vesperine {

// Defaults kept in memory; counts writes so tests can see that equal values write nothing.
class MemoryDefaultsStore final : public DefaultsStore {
public:
    std::optional<DefaultsValue> value(std::string_view key) const override;
    void set(std::string_view key, DefaultsValue value) override;
    void remove(std::string_view key) override;

    std::size_t writes() const { return writes_; }
    const std::map<std::string, DefaultsValue, std::less<>>& all() const { return values_; }

private:
    std::map<std::string, DefaultsValue, std::less<>> values_;
    std::size_t writes_ = 0;
};

}  // namespace vesperine
