#pragma once

#include <map>
#include <optional>
#include <string>

#include "Platform/DefaultsStore.h"

namespace vesperine {

// Defaults kept in memory; counts writes so tests can see that equal values write nothing,
// and can make writes fail as a read-only folder would.
class MemoryDefaultsStore final : public DefaultsStore {
public:
    MemoryDefaultsStore() = default;
    // A copy holds the same values; its observers are its own.
    MemoryDefaultsStore(const MemoryDefaultsStore& other)
        : values_(other.values_), writes_(other.writes_), failWrites_(other.failWrites_) {}

    std::optional<DefaultsValue> value(std::string_view key) const override;
    void set(std::string_view key, DefaultsValue value) override;
    void remove(std::string_view key) override;
    const Observable<std::optional<std::string>>& writeFailure() const override {
        return writeFailure_;
    }

    std::size_t writes() const { return writes_; }
    // From now on every write fails with `reason` (the values still change, as in the real
    // store); an empty reason lets them succeed again from the next write on.
    void failWrites(std::string reason) { failWrites_ = std::move(reason); }
    const std::map<std::string, DefaultsValue, std::less<>>& all() const { return values_; }

private:
    void wrote();

    std::map<std::string, DefaultsValue, std::less<>> values_;
    std::size_t writes_ = 0;
    std::string failWrites_;
    Observable<std::optional<std::string>> writeFailure_;
};

}  // namespace vesperine
