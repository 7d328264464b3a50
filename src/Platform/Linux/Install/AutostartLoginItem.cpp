#include "Platform/Linux/Install/AutostartLoginItem.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Platform/Linux/Install/DesktopEntry.h"
#include "Platform/Linux/Files/PosixFileSystem.h"
#include "Platform/Linux/Install/UserInstaller.h"

namespace vesperine {

AutostartLoginItem::AutostartLoginItem(Logger& logger, std::string autostartFolder,
                                       const std::string& bundleId, std::string executable)
    : log_(logger, "install"),
      entryPath_(std::move(autostartFolder) + "/" + bundleId + ".desktop"),
      executable_(std::move(executable)) {}

AutostartLoginItem::Entry AutostartLoginItem::read() const {
    const ReadResult file = PosixFileSystem().read(entryPath_);
    if (!file.ok) {
        if (file.failure == ReadFailure::notFound) return {};
        return {Found::unreadable, false, file.description};
    }
    auto keys = DesktopEntry::keys(file.bytes);
    if (keys[UserInstaller::ownEntryKey] != "true") return {Found::theirs, false, {}};
    const bool switchedOff =
        keys["Hidden"] == "true" || keys["X-GNOME-Autostart-enabled"] == "false";
    return {Found::ours, switchedOff, {}};
}

bool AutostartLoginItem::isEnabled() const {
    const Entry entry = read();
    return entry.found == Found::ours && !entry.switchedOff;
}

Status AutostartLoginItem::enable() {
    const Entry entry = read();
    if (entry.found == Found::unreadable) return Status::failure(entry.problem);
    if (entry.found == Found::theirs) {
        return Status::failure("\"" + entryPath_ +
                               "\" is an autostart entry of your own; it is left as it is");
    }
    const auto text = UserInstaller::desktopEntryFor(executable_);
    if (!text) return Status::failure(text.error().description);
    if (auto written = PosixFileSystem().writeAtomically(entryPath_, *text); !written) {
        return written;
    }
    log_.notice("Opens at login: %s", entryPath_.c_str());
    return success();
}

Status AutostartLoginItem::disable() {
    const Entry entry = read();
    if (entry.found == Found::none) return success();
    if (entry.found == Found::unreadable) return Status::failure(entry.problem);
    if (entry.found == Found::theirs) {
        log_.notice("Left %s as it is: it isn't one this program wrote", entryPath_.c_str());
        return success();
    }
    if (::unlink(entryPath_.c_str()) != 0 && errno != ENOENT) {
        return Status::failure("Couldn't remove \"" + entryPath_ + "\": " + std::strerror(errno));
    }
    log_.notice("No longer opens at login: removed %s", entryPath_.c_str());
    return success();
}

}  // namespace vesperine
