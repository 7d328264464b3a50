#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Logger.h"
#include "Platform/RunningApplication.h"

namespace vesperine {

// The installed applications, as their desktop entries describe them (freedesktop Desktop
// Entry and Base Directory specifications): each entry's desktop-file id ("vlc",
// "org.gnome.Totem"), its Name in the user's language and its StartupWMClass. Read once, and
// again when asked; an id found in an earlier folder hides the same id in later ones, and a
// Hidden entry hides it altogether.
class DesktopEntries {
public:
    struct Entry {
        std::string id;
        std::optional<std::string> name;  // absent when the entry has none
        std::optional<std::string> startupWMClass;
    };

    // What a window tells about its application (X11: _GTK_APPLICATION_ID,
    // _KDE_NET_WM_DESKTOP_FILE, the two parts of WM_CLASS, the executable of _NET_WM_PID).
    struct Hints {
        std::optional<std::string> gtkApplicationID;
        std::optional<std::string> kdeDesktopFile;
        std::optional<std::string> wmInstance;
        std::optional<std::string> wmClass;
        std::optional<std::string> executable;
    };

    // Reads the entries below `applicationFolders` (earlier folders take precedence), with
    // names in `messagesLocale` ("de_CH.UTF-8@euro"; empty or "C": the untranslated Name).
    DesktopEntries(std::vector<std::string> applicationFolders, std::string messagesLocale,
                   Logger& logger);
    // $XDG_DATA_HOME/applications, then applications/ in each folder of $XDG_DATA_DIRS
    // (default /usr/local/share:/usr/share); the language of LC_ALL, LC_MESSAGES or LANG.
    static DesktopEntries fromEnvironment(Logger& logger);
    static std::vector<std::string> applicationFoldersFromEnvironment();
    static std::string messagesLocaleFromEnvironment();

    // Reads every entry again.
    void refresh();
    // Reads again only when a folder changed since the last read (one stat per folder);
    // returns whether it did.
    bool refreshIfChanged();

    // The entry with this id: exactly, else ignoring ASCII case. None when there is none.
    const Entry* find(std::string_view id) const;
    // The entry whose StartupWMClass is `wmClass`: exactly, else ignoring ASCII case.
    const Entry* findByWMClass(std::string_view wmClass) const;

    // The application a window belongs to: the entry named by its application id or desktop
    // file, else the entry that claims its WM_CLASS, else the entry whose id is its WM_CLASS
    // or executable. Without an entry the identity is the first hint present, in the order
    // application id, desktop file, executable, class, instance; and there is no name.
    // The process id is left 0.
    RunningApplication identify(const Hints& hints) const;

    // The application the desktop entry at `path` describes, read afresh: its id (the path
    // below the applications folder holding it, else the file's own name) and its Name in the
    // user's language. None for a file that is not a shown application's entry.
    std::optional<Entry> entryAt(const std::string& path) const;
    // The applications folders, earliest (most important) first.
    const std::vector<std::string>& folders() const { return folders_; }

    // Entries that describe an application (hidden ones not counted).
    std::size_t size() const;

private:
    struct FolderStamp {
        bool exists = false;
        long long seconds = 0;
        long nanoseconds = 0;
        bool operator==(const FolderStamp&) const = default;
    };
    struct Parsed {
        Entry entry;
        bool application = false;  // an application, and not hidden
    };
    static FolderStamp stampOf(const std::string& folder);
    std::optional<Parsed> parse(const std::string& path, const std::string& id) const;
    void readFolder(const std::string& folder);
    void readFile(const std::string& path, const std::string& id);

    std::vector<std::string> folders_;
    std::vector<std::string> localeKeys_;  // "Name[...]" keys, best match first
    Log log_;
    std::map<std::string, std::optional<Entry>, std::less<>> entries_;  // none: hidden
    std::map<std::string, std::string, std::less<>> idsByFoldedId_;
    std::map<std::string, std::string, std::less<>> idsByWMClass_;
    std::map<std::string, std::string, std::less<>> idsByFoldedWMClass_;
    std::map<std::string, FolderStamp> stamps_;  // every folder read, and the missing roots
};

}  // namespace vesperine
