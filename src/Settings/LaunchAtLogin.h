#pragma once

#include <optional>
#include <string>

#include "Platform/LoginItem.h"

namespace vesperine {

// The "Open ... at login" switch of the General settings: it shows what the system says and
// changes the login item, and after a change shows again what the system then says, so a
// refused change never leaves the switch showing a state that is not true.
class LaunchAtLogin {
public:
    explicit LaunchAtLogin(LoginItem& item) : item_(item), on_(item.isEnabled()) {}

    bool isOn() const { return on_; }
    // "Couldn't change login item: " and why, after a failed change; none otherwise.
    const std::optional<std::string>& error() const { return error_; }

    void set(bool on);
    // Reads the state again (someone may have changed it in the desktop's settings).
    void refresh() { on_ = item_.isEnabled(); }

private:
    LoginItem& item_;
    bool on_;
    std::optional<std::string> error_;
};

}  // namespace vesperine
