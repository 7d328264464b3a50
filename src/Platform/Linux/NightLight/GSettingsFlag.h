#pragma once

#include <functional>
#include <optional>
#include <string>

#include "Support/CallbackList.h"

typedef struct _GSettings GSettings;

namespace vesperine {

// One boolean key of the desktop's settings store (GIO's GSettings, backed by dconf on a
// GNOME desktop). GIO aborts the process on a schema or key that is not installed, so both
// are looked up first: when either is missing, or the key is not a boolean, the flag is
// unavailable and `problem` says why. Change notifications arrive through GLib's default
// main context, which the program's Qt loop iterates. Main loop only.
class GSettingsFlag {
  public:
    GSettingsFlag(const std::string& schema, const std::string& key);
    ~GSettingsFlag();
    GSettingsFlag(const GSettingsFlag&) = delete;
    GSettingsFlag& operator=(const GSettingsFlag&) = delete;

    bool available() const { return settings_ != nullptr; }
    const std::string& problem() const { return problem_; }

    // The key's value, none when unavailable.
    std::optional<bool> value() const;
    // Writes the key; false when unavailable or when the key is locked down.
    bool set(bool value);
    // Calls `onChange` when the key changes, by us or anyone else.
    [[nodiscard]] Handle observe(std::function<void()> onChange) { return observers_.add(std::move(onChange)); }

  private:
    static void changed(GSettings*, const char*, void* self);

    std::string key_;
    std::string problem_;
    GSettings* settings_ = nullptr;
    CallbackList<> observers_;
};

}  // namespace vesperine
