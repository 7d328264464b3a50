#pragma once

#include <string>
#include <string_view>

#include "Platform/Clock.h"
#include "Platform/Trash.h"

namespace vesperine {

// The user's home Trash in the layout desktops share ("$XDG_DATA_HOME/Trash"): the item goes
// to "files/<name>" and "info/<name>.trashinfo" records its original path and the local
// time of deletion, so a file manager can list and restore it. A name already in the Trash
// gets ".2", ".3", ... . An item on another file system than the Trash is copied in and then
// removed (files and links; such a folder is refused rather than copied in halves).
// GLib's g_file_trash does less than this: it renames over an item in files/ that has no info
// file (the user's item is lost), refuses items on another file system instead of copying
// them, and does not say where the item went.
class FreedesktopTrash final : public Trash {
public:
    // `trashFolder`: the Trash itself, for instance homeTrash(dataHome). `clock` dates entries.
    FreedesktopTrash(std::string trashFolder, const Clock& clock);

    static std::string homeTrash(const std::string& dataHome) { return dataHome + "/Trash"; }

    Result<std::string> moveToTrash(const std::string& path) override;

    // The ".trashinfo" text for `path` deleted at `deletionDate` ("2024-03-01T21:05:09").
    static std::string infoText(std::string_view path, std::string_view deletionDate);
    // `path` as the info file stores it: bytes other than letters, digits, "/" and
    // "-_.!~*'()" written as %XX (URL escaping), so spaces, quotes, newlines and non-ASCII
    // names survive the line-based file.
    static std::string encodePath(std::string_view path);

private:
    std::string trashFolder_;
    const Clock& clock_;
};

}  // namespace vesperine
