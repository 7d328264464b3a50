#pragma once

#include <string>

#include "Platform/Logger.h"
#include "Platform/LoginItem.h"

namespace vesperine {

// The login item as an XDG autostart entry: "<autostart folder>/<bundle id>.desktop", the
// program's desktop entry with its Exec the running program and our mark
// (UserInstaller::ownEntryKey). Enabled while that entry exists, carries our mark and is not
// switched off by the user's desktop (Hidden=true, or X-GNOME-Autostart-enabled=false).
// An entry of that name without our mark is the user's own: it is never replaced or removed,
// and enabling says so.
class AutostartLoginItem final : public LoginItem {
public:
    // `autostartFolder`: "$XDG_CONFIG_HOME/autostart"; `executable`: what the entry runs.
    AutostartLoginItem(Logger& logger, std::string autostartFolder, const std::string& bundleId,
                       std::string executable);

    bool isEnabled() const override;
    Status enable() override;
    Status disable() override;

    const std::string& entryPath() const { return entryPath_; }

private:
    enum class Found { none, ours, theirs, unreadable };
    struct Entry {
        Found found = Found::none;
        bool switchedOff = false;
        std::string problem;  // for `unreadable`
    };
    Entry read() const;

    Log log_;
    std::string entryPath_;
    std::string executable_;
};

}  // namespace vesperine
