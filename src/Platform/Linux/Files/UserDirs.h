#pragma once

#include <map>
#include <string>
#include <string_view>

namespace vesperine {

// The user's named folders from "user-dirs.dirs" in the config folder (lines such as
// XDG_DOWNLOAD_DIR="$HOME/Téléchargements"), which desktops name in the user's language.
struct UserDirs {
    // Each variable with its folder, "$HOME" replaced by `home`. Lines that are not of the
    // form NAME="$HOME/..." or NAME="/...", and folders equal to the home folder itself (the
    // file's way of saying "none"), are left out.
    static std::map<std::string, std::string> parse(std::string_view text, std::string_view home);
};

}  // namespace vesperine
