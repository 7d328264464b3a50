#pragma once

#include <string>
#include <string_view>

#include "App/AppInfo.h"
#include "Platform/Alert.h"
#include "Platform/Installer.h"
#include "Platform/Logger.h"
#include "Platform/Relaunch.h"
#include "Platform/Trash.h"

namespace vesperine {

// Offers, once at start-up, to install a program that runs from where downloads and
// removable media land, and relaunches the installed copy. An older copy of the program at
// the destination is replaced; anything else there (the user's own script or build) is moved
// to the Trash first, which the question says, and the install stops when that fails.
// The classification and the quoting are pure; the rest goes through the installer, alert,
// trash and relaunch seams. Main loop only. Logs in the category "install".
class MoveToApplications {
public:
    // Where the program runs from. `inApplications`: installed (under /usr, /opt, ~/.local or
    // ~/Applications). `movable`: somewhere a download or a removable medium lands (a mounted
    // volume, a mounted image, ~/Downloads, ~/Desktop). `elsewhere`: anything else.
    enum class Location { inApplications, movable, elsewhere };

    MoveToApplications(Installer& installer, Alerts& alerts, Relaunch& relaunch, Trash& trash,
                       Logger& logger, AppInfo info);

    // True when it has installed the program and asked for the installed copy to start in
    // this one's place: start-up then stops and the program ends. False otherwise (not
    // movable, already in its place, declined, or failed: the failure has been shown).
    bool offerIfNeeded();

    // `path`: the program's file; `home`: the user's home folder. First match wins.
    static Location classify(std::string_view path, std::string_view home);
    // The same, with the other places that count: a program under `places.buildTree` is
    // `elsewhere` (a build never asks), and `places.moreMovable` are movable like ~/Downloads.
    static Location classify(std::string_view path, const Installer::Places& places);
    // "/" + the path's first two parts ("/media/alex" for "/media/alex/USB/x"); the whole
    // path when it has fewer than two.
    static std::string volume(std::string_view path);
    // `text` as one word for the POSIX shell: in single quotes, each ' written as '\''.
    static std::string shellQuote(std::string_view text);

private:
    // Logs the failure and says it, with what the user can do instead.
    void showFailure(const std::string& why);

    Installer& installer_;
    Alerts& alerts_;
    Relaunch& relaunch_;
    Trash& trash_;
    Log log_;
    AppInfo info_;
};

}  // namespace vesperine
