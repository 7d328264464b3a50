#include "App/LegacyMigration.h"

#include "Support/Json.h"

namespace vesperine {

namespace {

bool isIdentifierByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
}

}  // namespace

LegacyMigration::LegacyMigration(Services services, Predecessor predecessor,
                                 std::string scheduleFile)
    : services_(services),
      predecessor_(std::move(predecessor)),
      scheduleFile_(std::move(scheduleFile)),
      log_(services.logger, "migration") {}

void LegacyMigration::run(bool runsInstalled) {
    quitRunning();
    if (services_.defaults.boolean(markerKey)) return;
    services_.defaults.set(markerKey, true);
    copySettings();
    copySchedules();
    if (runsInstalled) binOldApp();
}

void LegacyMigration::quitRunning() {
    if (!predecessor_.quitRunning) return;
    for (const Status& asked : predecessor_.quitRunning()) {
        log_.notice("Quitting old Solvo");
        if (!asked)
            log_.error("Couldn't ask old Solvo to quit: %s", asked.error().description.c_str());
    }
}

std::vector<std::string> LegacyMigration::copySettings(const DefaultsStore& from,
                                                       DefaultsStore& to) {
    std::vector<std::string> copied;
    for (const char* key : settingsKeys) {
        if (to.value(key)) continue;
        if (auto value = from.value(key)) {
            to.set(key, std::move(*value));
            copied.emplace_back(key);
        }
    }
    return copied;
}

void LegacyMigration::copySettings() {
    if (!predecessor_.openSettings) return;
    auto opened = predecessor_.openSettings();
    if (!opened) {
        log_.error("Couldn't read old Solvo's settings: %s", opened.error().description.c_str());
        return;
    }
    if (!*opened) return;
    const auto copied = copySettings(**opened, services_.defaults);
    if (copied.empty()) return;
    std::string list;
    for (const auto& key : copied) list += (list.empty() ? "" : ", ") + key;
    log_.notice("Migrated settings: %s", list.c_str());
}

void LegacyMigration::copySchedules() {
    if (predecessor_.scheduleFile.empty() || services_.files.exists(scheduleFile_)) return;
    const ReadResult old = services_.files.read(predecessor_.scheduleFile);
    if (!old.ok) {
        if (old.failure == ReadFailure::unreadable) {
            log_.error("Couldn't migrate schedules: %s", old.description.c_str());
        }
        return;
    }
    // A damaged file (cut short, or not JSON at all) would only be set aside by the store;
    // say here where it came from instead, and leave it where it is.
    if (auto parsed = json::parse(old.bytes); !parsed) {
        log_.error("Couldn't migrate schedules: \"%s\" is damaged: %s",
                   predecessor_.scheduleFile.c_str(), parsed.error().description.c_str());
        return;
    }
    // A new file appears whole or not at all, and never in place of one made meanwhile.
    if (auto written = services_.files.writeNewAtomically(scheduleFile_, old.bytes); !written) {
        log_.error("Couldn't migrate schedules: %s", written.error().description.c_str());
        return;
    }
    log_.notice("Migrated schedules");
}

bool LegacyMigration::namesPredecessor(std::string_view bytes) {
    const std::string_view id = predecessorIdentifier;
    for (auto at = bytes.find(id); at != std::string_view::npos; at = bytes.find(id, at + 1)) {
        const auto end = at + id.size();
        if ((at == 0 || !isIdentifierByte(bytes[at - 1])) &&
            (end == bytes.size() || !isIdentifierByte(bytes[end]))) {
            return true;
        }
    }
    return false;
}

void LegacyMigration::binOldApp() {
    if (predecessor_.program.empty()) return;
    const ReadResult program = services_.files.read(predecessor_.program);
    if (!program.ok || !namesPredecessor(program.bytes)) return;
    if (auto trashed = services_.trash.moveToTrash(predecessor_.program)) {
        log_.notice("Moved old Solvo to the Trash");
    } else {
        log_.error("Couldn't remove old Solvo: %s", trashed.error().description.c_str());
    }
}

}  // namespace vesperine
