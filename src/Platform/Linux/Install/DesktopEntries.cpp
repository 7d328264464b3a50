#include "Platform/Linux/Install/DesktopEntries.h"

#include <sys/stat.h>

#include <glib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "Platform/Linux/Files/XdgPaths.h"
#include "Platform/Linux/Install/DesktopEntry.h"

namespace vesperine {

namespace {

namespace fs = std::filesystem;

// Real entries are a few kilobytes; anything this large is not one.
constexpr std::uintmax_t largestEntry = 1 << 20;

std::string folded(std::string_view text) {
    std::string out(text);
    for (auto& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// "Name[...]" keys for a locale, best match first, as the Desktop Entry format matches them
// (lang_COUNTRY@MODIFIER, lang_COUNTRY, lang@MODIFIER, lang). None for the untranslated C.
std::vector<std::string> nameKeysFor(const std::string& locale) {
    std::vector<std::string> keys;
    const std::string lang = locale.substr(0, locale.find_first_of("_.@"));
    if (lang.empty() || lang == "C" || lang == "POSIX") return keys;
    gchar** variants = g_get_locale_variants(locale.c_str());
    for (gchar** variant = variants; *variant != nullptr; ++variant)
        keys.push_back(std::string("Name[") + *variant + "]");
    g_strfreev(variants);
    return keys;
}

// The value of `key`; none when absent or empty.
std::optional<std::string> valueOf(const std::map<std::string, std::string>& keys,
                                   const std::string& key) {
    const auto it = keys.find(key);
    if (it == keys.end() || it->second.empty()) return std::nullopt;
    return it->second;
}

}  // namespace

DesktopEntries::DesktopEntries(std::vector<std::string> applicationFolders,
                               std::string messagesLocale, Logger& logger)
    : folders_(std::move(applicationFolders)),
      localeKeys_(nameKeysFor(messagesLocale)),
      log_(logger, "workspace") {
    refresh();
}

std::vector<std::string> DesktopEntries::applicationFoldersFromEnvironment() {
    std::vector<std::string> folders{XdgPaths::fromEnvironment().dataHome + "/applications"};
    for (const gchar* const* dir = g_get_system_data_dirs(); *dir != nullptr; ++dir) {
        if ((*dir)[0] == '/') folders.push_back(std::string(*dir) + "/applications");
    }
    return folders;
}

std::string DesktopEntries::messagesLocaleFromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') return value;
    }
    return {};
}

DesktopEntries DesktopEntries::fromEnvironment(Logger& logger) {
    return DesktopEntries(applicationFoldersFromEnvironment(), messagesLocaleFromEnvironment(),
                          logger);
}

DesktopEntries::FolderStamp DesktopEntries::stampOf(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return {};
    return {true, static_cast<long long>(info.st_mtim.tv_sec), info.st_mtim.tv_nsec};
}

void DesktopEntries::refresh() {
    entries_.clear();
    idsByFoldedId_.clear();
    idsByWMClass_.clear();
    idsByFoldedWMClass_.clear();
    stamps_.clear();
    for (const auto& folder : folders_) readFolder(folder);
}

bool DesktopEntries::refreshIfChanged() {
    for (const auto& [folder, stamp] : stamps_) {
        if (stampOf(folder) != stamp) {
            refresh();
            return true;
        }
    }
    return false;
}

void DesktopEntries::readFolder(const std::string& root) {
    stamps_[root] = stampOf(root);
    if (!stamps_[root].exists) return;
    std::error_code error;
    fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const fs::path& path = it->path();
        std::error_code ignored;
        if (it->is_directory(ignored)) {
            stamps_[path.string()] = stampOf(path.string());
            continue;
        }
        if (path.extension() != ".desktop") continue;
        // The id is the path below the folder with '/' turned into '-', less ".desktop".
        std::string id = path.lexically_relative(root).replace_extension().string();
        for (auto& c : id) {
            if (c == '/') c = '-';
        }
        if (entries_.count(id)) continue;  // an earlier folder has it
        readFile(path.string(), id);
    }
    if (error) log_.info("Couldn't read all of %s: %s", root.c_str(), error.message().c_str());
}

std::optional<DesktopEntries::Parsed> DesktopEntries::parse(const std::string& path,
                                                            const std::string& id) const {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    if (error || size > largestEntry) {
        log_.info("Skipped desktop entry %s: %s", path.c_str(),
                  error ? error.message().c_str() : "too large");
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    std::string problem;
    const auto keys = DesktopEntry::keys(text, &problem);
    if (!problem.empty()) {
        log_.info("Skipped desktop entry %s: %s", path.c_str(), problem.c_str());
        return std::nullopt;
    }
    const bool application =
        valueOf(keys, "Type") == "Application" && valueOf(keys, "Hidden") != "true";
    Entry entry{id, std::nullopt, valueOf(keys, "StartupWMClass")};
    // A translation left empty does not hide the next best one.
    for (const auto& key : localeKeys_) {
        if ((entry.name = valueOf(keys, key))) break;
    }
    if (!entry.name) entry.name = valueOf(keys, "Name");
    return Parsed{std::move(entry), application};
}

void DesktopEntries::readFile(const std::string& path, const std::string& id) {
    auto parsed = parse(path, id);
    if (!parsed) return;
    if (!parsed->application) {
        entries_.emplace(id, std::nullopt);  // hides the same id in later folders too
        return;
    }
    Entry& entry = parsed->entry;
    if (!entry.name) log_.info("Desktop entry %s has no Name", path.c_str());
    idsByFoldedId_.emplace(folded(id), id);
    if (entry.startupWMClass) {
        idsByWMClass_.emplace(*entry.startupWMClass, id);
        idsByFoldedWMClass_.emplace(folded(*entry.startupWMClass), id);
    }
    entries_.emplace(id, std::move(entry));
}

std::optional<DesktopEntries::Entry> DesktopEntries::entryAt(const std::string& path) const {
    if (!path.ends_with(".desktop")) return std::nullopt;
    const fs::path file = fs::path(path).lexically_normal();
    // The id is the path below the applications folder that holds it; a file elsewhere is
    // known by its own name.
    std::string id = file.stem().string();
    for (const auto& folder : folders_) {
        const fs::path relative = file.lexically_relative(fs::path(folder).lexically_normal());
        if (relative.empty() || *relative.begin() == "..") continue;
        id = fs::path(relative).replace_extension().string();
        for (auto& c : id) {
            if (c == '/') c = '-';
        }
        break;
    }
    auto parsed = parse(file.string(), id);
    if (!parsed || !parsed->application || id.empty()) return std::nullopt;
    return std::move(parsed->entry);
}

std::size_t DesktopEntries::size() const {
    std::size_t n = 0;
    for (const auto& [_, entry] : entries_) n += entry ? 1 : 0;
    return n;
}

const DesktopEntries::Entry* DesktopEntries::find(std::string_view id) const {
    if (auto it = entries_.find(id); it != entries_.end())
        return it->second ? &*it->second : nullptr;
    auto folded = idsByFoldedId_.find(vesperine::folded(id));
    if (folded == idsByFoldedId_.end()) return nullptr;
    return &*entries_.find(folded->second)->second;
}

const DesktopEntries::Entry* DesktopEntries::findByWMClass(std::string_view wmClass) const {
    auto exact = idsByWMClass_.find(wmClass);
    if (exact != idsByWMClass_.end()) return &*entries_.find(exact->second)->second;
    auto loose = idsByFoldedWMClass_.find(folded(wmClass));
    if (loose == idsByFoldedWMClass_.end()) return nullptr;
    return &*entries_.find(loose->second)->second;
}

RunningApplication DesktopEntries::identify(const Hints& hints) const {
    auto present = [](const std::optional<std::string>& hint) { return hint && !hint->empty(); };
    // A desktop file may be given as a path or with its suffix.
    const std::optional<std::string> desktopFile = [&]() -> std::optional<std::string> {
        std::optional<std::string> file = hints.kdeDesktopFile;
        if (!present(file)) return file;
        if (auto slash = file->rfind('/'); slash != std::string::npos) file->erase(0, slash + 1);
        if (file->ends_with(".desktop")) file->resize(file->size() - 8);
        return file;
    }();
    const Entry* entry = nullptr;
    for (const auto* id : {&hints.gtkApplicationID, &desktopFile}) {
        if (!entry && present(*id)) entry = find(**id);
    }
    for (const auto* wmClass : {&hints.wmClass, &hints.wmInstance}) {
        if (!entry && present(*wmClass)) entry = findByWMClass(**wmClass);
    }
    for (const auto* id : {&hints.wmClass, &hints.wmInstance, &hints.executable}) {
        if (!entry && present(*id)) entry = find(**id);
    }
    if (entry) return RunningApplication{entry->id, entry->name, 0};
    for (const auto* id : {&hints.gtkApplicationID, &desktopFile, &hints.executable, &hints.wmClass,
                           &hints.wmInstance}) {
        if (present(*id)) return RunningApplication{**id, std::nullopt, 0};
    }
    return {};
}

}  // namespace vesperine
