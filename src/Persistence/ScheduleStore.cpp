#include "Persistence/ScheduleStore.h"

#include <cmath>
#include <tuple>
#include <utility>

#include "Schedule/Cities.h"
#include "Schedule/Presets.h"

namespace vesperine {

namespace {

struct File {
    std::vector<Schedule> custom;
    Uuid activeID = Presets::defaultSchedule().id;
    std::optional<Location> location;
    Json unknown = Json::object();
};

Result<File> decodeFile(const std::string& bytes) {
    auto tree = json::parse(bytes);
    if (!tree) return tree.error();
    auto list = json::member(*tree, "custom");
    if (!list) return list.error();
    if (!(*list)->is_array()) return Error{"Expected an array for \"custom\"."};
    File file;
    for (const auto& item : **list) {
        auto schedule = JsonCodec<Schedule>::decode(item);
        if (!schedule) return schedule.error();
        file.custom.push_back(std::move(schedule).value());
    }
    auto active = json::uuid(*tree, "activeID");
    if (!active) return active.error();
    file.activeID = *active;
    if (tree->contains("location")) {
        auto location = json::decodeMember<Location>(*tree, "location");
        if (!location) return location.error();
        file.location = *location;
    }
    for (const auto& item : tree->items()) {
        if (item.key() != "custom" && item.key() != "activeID" && item.key() != "location")
            file.unknown[item.key()] = item.value();
    }
    return file;
}

Result<std::string> encodeFile(const File& file) {
    Json custom = Json::array();
    for (const auto& schedule : file.custom) custom.push_back(JsonCodec<Schedule>::encode(schedule));
    Json tree = file.unknown;
    tree["custom"] = std::move(custom);
    tree["activeID"] = file.activeID.string();
    if (file.location) tree["location"] = JsonCodec<Location>::encode(*file.location);
    return json::serialize(tree);
}

std::string trimmed(const std::string& text) {
    auto blank = [](unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    std::size_t first = 0, last = text.size();
    while (first < last && blank(static_cast<unsigned char>(text[first]))) ++first;
    while (last > first && blank(static_cast<unsigned char>(text[last - 1]))) --last;
    return text.substr(first, last - first);
}

}  // namespace

std::string ScheduleStore::defaultPath(const std::string& applicationSupportFolder) {
    if (applicationSupportFolder.empty() || applicationSupportFolder.back() == '/') {
        return applicationSupportFolder + fileName;
    }
    return applicationSupportFolder + "/" + fileName;
}

ScheduleStore::ScheduleStore(FileSystem& files, Logger& logger, std::string path,
                             const TimeZoneSource& zones, const Clock& clock)
    : files_(files),
      log_(logger, "store"),
      path_(std::move(path)),
      clock_(clock),
      zones_(zones),
      activeID_(Presets::defaultSchedule().id) {
    load();
    guessLocation();
}

void ScheduleStore::guessLocation() {
    if (location_.get()) return;
    if (auto city = Cities::guess(zones_.current())) {
        locationGuessed_ = setLocation(city->location()).ok();
    }
}

void ScheduleStore::load() {
    auto read = files_.read(path_);
    if (!read.ok) {
        if (read.failure == ReadFailure::unreadable) {
            // Not a first start: something is there that we cannot read. Keep it.
            mustMoveAside_ = true;
            log_.error("Couldn't read schedules: %s", read.description.c_str());
        }
        return;
    }
    onDisk_ = read.bytes;
    auto file = decodeFile(read.bytes);
    if (!file) {
        mustMoveAside_ = true;
        log_.error("Couldn't read schedules: %s", file.error().description.c_str());
        return;
    }
    apply(std::move(file->custom), file->activeID, std::move(file->location),
          std::move(file->unknown));
    loadedFromFile_ = true;
}

void ScheduleStore::apply(std::vector<Schedule> custom, Uuid activeID,
                          std::optional<Location> location, Json unknown) {
    isLoading_ = true;
    custom_.set(std::move(custom));
    activeID_.set(activeID);
    location_.set(std::move(location));
    unknown_ = std::move(unknown);
    isLoading_ = false;
}

bool ScheduleStore::reload() {
    const bool takenInBySave = std::exchange(takenIn_, false);
    return reread() || takenInBySave;
}

bool ScheduleStore::reread() {
    auto read = files_.read(path_);
    if (!read.ok && read.failure == ReadFailure::unreadable) {
        // Kept aside and replaced by the schedules in use, as a damaged edit is (below).
        log_.error("Couldn't read schedules: %s", read.description.c_str());
        mustMoveAside_ = true;
        (void)save();  // the outcome is kept in lastSave()
        return false;
    }
    std::optional<std::string> now;
    if (read.ok) now = std::move(read.bytes);
    if (now == onDisk_) return false;  // our own save, or a touch that changed nothing
    onDisk_ = now;
    const auto before = std::tuple(custom_.get(), activeID_.get(), location_.get());
    const auto changed = [&] {
        return std::tuple(custom_.get(), activeID_.get(), location_.get()) != before;
    };
    if (!now) {
        // Removed by hand: what the next start would find, the defaults and a guessed place.
        mustMoveAside_ = false;
        apply({}, Presets::defaultSchedule().id, std::nullopt, Json::object());
        log_.notice("The schedule file was removed; using the built-in schedules");
        guessLocation();
        return changed();
    }
    auto file = decodeFile(*now);
    if (!file) {
        // The schedules in use are all the person had before this edit: keep the edit aside
        // and save them, rather than start over from the defaults as a start must.
        log_.error("Couldn't read schedules changed by hand: %s; keeping the schedules in use",
                   file.error().description.c_str());
        mustMoveAside_ = true;
        (void)save();  // the outcome is kept in lastSave()
        return false;
    }
    mustMoveAside_ = false;
    apply(std::move(file->custom), file->activeID, std::move(file->location),
          std::move(file->unknown));
    log_.notice("Took in the schedules changed by hand");
    guessLocation();
    return changed();
}

Status ScheduleStore::moveAsideUnreadableFile() {
    if (!files_.exists(path_)) {
        mustMoveAside_ = false;
        return success();
    }
    const auto stamp = static_cast<long long>(std::floor(clock_.now().unixSeconds()));
    auto aside = files_.moveAside(path_, ".unreadable-" + std::to_string(stamp));
    if (!aside) return aside.error();
    mustMoveAside_ = false;
    onDisk_.reset();
    log_.error("Moved the schedule file that could not be read aside to %s", aside->c_str());
    return success();
}

void ScheduleStore::takeInUnreadEdit(unsigned changing) {
    if (mustMoveAside_) return;
    auto read = files_.read(path_);
    if (!read.ok && read.failure == ReadFailure::unreadable) {
        mustMoveAside_ = true;  // what is there now was never seen: this save keeps it aside
        return;
    }
    if (!read.ok || read.bytes == onDisk_) return;
    auto file = decodeFile(read.bytes);
    if (!file) {
        // Kept aside by this save, like one the reload finds damaged.
        log_.error("Couldn't read schedules changed by hand: %s; keeping the schedules in use",
                   file.error().description.c_str());
        mustMoveAside_ = true;
        return;
    }
    isLoading_ = true;
    if (!(changing & customPart)) custom_.set(std::move(file->custom));
    if (!(changing & activePart)) activeID_.set(file->activeID);
    if (!(changing & locationPart)) location_.set(std::move(file->location));
    unknown_ = std::move(file->unknown);
    isLoading_ = false;
    takenIn_ = true;
    log_.notice("Took in the schedules changed by hand before saving");
}

Status ScheduleStore::save(unsigned changing) {
    if (isLoading_) return success();
    takeInUnreadEdit(changing);
    lastSave_ = [&]() -> Status {
        if (mustMoveAside_) {
            auto moved = moveAsideUnreadableFile();
            if (!moved) {
                return Error{"the existing file could not be read and could not be moved aside (" +
                             moved.error().description + "); it is left as it is"};
            }
        }
        auto bytes = encodeFile({custom_.get(), activeID_.get(), location_.get(), unknown_});
        if (!bytes) return bytes.error();
        auto written = files_.writeAtomically(path_, *bytes);
        if (written) onDisk_ = std::move(bytes).value();
        return written;
    }();
    if (!lastSave_) log_.error("Couldn't save schedules: %s", lastSave_.error().description.c_str());
    return lastSave_;
}

std::vector<Schedule> ScheduleStore::schedules() const {
    std::vector<Schedule> all = Presets::all();
    all.insert(all.end(), custom_->begin(), custom_->end());
    return all;
}

Schedule ScheduleStore::active() const {
    return schedule(activeID_.get()).value_or(Presets::defaultSchedule());
}

std::optional<Schedule> ScheduleStore::schedule(const Uuid& id) const {
    for (const auto& builtIn : Presets::all()) {
        if (builtIn.id == id) return builtIn;
    }
    for (const auto& own : custom_.get()) {
        if (own.id == id) return own;
    }
    return std::nullopt;
}

Status ScheduleStore::setActiveID(const Uuid& id) {
    activeID_.set(id);
    return save(activePart);
}

Status ScheduleStore::setLocation(std::optional<Location> location) {
    if (location && !location->hasFiniteCoordinates()) {
        log_.error("Refused a location whose coordinates are not finite numbers: %s",
                   location->name.c_str());
        return Error{"The coordinates are not finite numbers."};
    }
    location_.set(std::move(location));
    return save(locationPart);
}

Schedule ScheduleStore::addNew(const Schedule& schedule, const std::string& name, bool activate) {
    Schedule copy = schedule;
    copy.id = Uuid::random();
    copy.isBuiltIn = false;
    std::string base = trimmed(name);
    if (base.empty()) base = "My schedule";
    copy.name = uniqueName(base);
    for (auto& keyframe : copy.keyframes) keyframe.id = Uuid::random();
    auto list = custom_.get();
    list.push_back(copy);
    custom_.set(std::move(list));
    if (activate) activeID_.set(copy.id);
    (void)save(activate ? customPart | activePart : customPart);  // the outcome is in lastSave()
    return copy;
}

Schedule ScheduleStore::duplicate(const Schedule& schedule, bool activate) {
    return addNew(schedule, schedule.name + " copy", activate);
}

Status ScheduleStore::update(const Schedule& schedule) {
    if (schedule.isBuiltIn) return success();
    auto list = custom_.get();
    for (auto& own : list) {
        if (own.id == schedule.id) {
            own = schedule;
            custom_.set(std::move(list));
            return save(customPart);
        }
    }
    return success();
}

Status ScheduleStore::deleteSchedule(const Schedule& schedule) {
    auto list = custom_.get();
    std::erase_if(list, [&](const Schedule& own) { return own.id == schedule.id; });
    custom_.set(std::move(list));
    unsigned changing = customPart;
    if (activeID_.get() == schedule.id) {
        activeID_.set(Presets::defaultSchedule().id);
        changing |= activePart;
    }
    return save(changing);
}

std::string ScheduleStore::uniqueName(const std::string& base) const {
    auto taken = [&](const std::string& candidate) {
        for (const auto& schedule : schedules()) {
            if (schedule.name == candidate) return true;
        }
        return false;
    };
    if (!taken(base)) return base;
    for (int n = 2;; ++n) {
        std::string candidate = base + " " + std::to_string(n);
        if (!taken(candidate)) return candidate;
    }
}

Schedule ScheduleStore::makeTemplate() {
    return Schedule{Uuid::random(),
                    "My schedule",
                    {{TimeAnchor::clock(7, 0), DisplayMode::off(), 30},
                     {TimeAnchor::clock(21, 0), DisplayMode::warm(3400), 30}},
                    false};
}

}  // namespace vesperine
