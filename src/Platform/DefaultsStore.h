#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "Support/Observable.h"

namespace vesperine {

// Bytes stored under a key (the JSON text of a settings record, for instance).
struct Data {
    std::string bytes;
    bool operator==(const Data&) const = default;
};

using DefaultsValue = std::variant<bool, std::int64_t, double, std::string, Data>;

// The per-user key-value store for small settings. Reads of a missing key, or of a key that
// holds another type, give the type's empty answer (no value, false, 0).
class DefaultsStore {
public:
    virtual ~DefaultsStore() = default;

    virtual std::optional<DefaultsValue> value(std::string_view key) const = 0;
    // Setting a value equal to the stored one writes nothing. A change that cannot be written
    // is kept for this run all the same, and `writeFailure` says why it was not.
    virtual void set(std::string_view key, DefaultsValue value) = 0;
    virtual void remove(std::string_view key) = 0;
    // Why the latest write failed (a read-only folder, a full disk), for the person who made
    // the change; none before the first write and again once one succeeds.
    virtual const Observable<std::optional<std::string>>& writeFailure() const = 0;
    // Reads what is stored again after someone else changed it (a hand edit of the file) and
    // takes it in, except where this run set the same key since it last wrote. True when a
    // value changed. A store that only this program writes has nothing to take in.
    virtual bool reload() { return false; }

    std::optional<std::string> data(std::string_view key) const;
    void setData(std::string_view key, std::string bytes) { set(key, Data{std::move(bytes)}); }
    bool boolean(std::string_view key) const;  // false when absent
    std::int64_t integer(std::string_view key) const;  // 0 when absent
    double number(std::string_view key) const;  // 0 when absent; an integer reads as a number
    std::optional<std::string> string(std::string_view key) const;
};

}  // namespace vesperine
