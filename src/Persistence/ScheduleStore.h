#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Platform/Clock.h"
#include "Platform/FileSystem.h"
#include "Platform/Logger.h"
#include "Platform/TimeZoneSource.h"
#include "Schedule/Location.h"
#include "Schedule/Schedule.h"
#include "Support/Json.h"
#include "Support/Observable.h"

namespace vesperine {

// The user's schedule data: custom schedules, which schedule is active, and the location for
// sunrise and sunset, mirrored into one JSON file ("schedules.json"). Built-in schedules are
// never stored; `schedules()` puts them in front of the custom ones.
//
// A file that exists but cannot be read or decoded is never written over: before the first
// save after such a load it is moved aside to "schedules.json.unreadable-<unix seconds>" (with
// "-2", "-3", ... when taken; next to the target of a link), so a damaged file or one from a
// newer version loses nothing. If it cannot be moved (or is a device or pipe, which is not
// ours to move), saving fails (and says so) instead. Members of the file's object that this
// version does not know (a newer one's) are written back as they were read.
class ScheduleStore {
public:
    static constexpr const char* fileName = "schedules.json";

    // Where the application keeps the file: "schedules.json" inside the application-support
    // folder named after the bundle identifier (on Linux "$XDG_DATA_HOME/<bundle id>").
    static std::string defaultPath(const std::string& applicationSupportFolder);

    // Loads `path`; when no location results, guesses one from `zones`' current zone.
    ScheduleStore(FileSystem& files, Logger& logger, std::string path, const TimeZoneSource& zones,
                  const Clock& clock);

    const Observable<std::vector<Schedule>>& custom() const { return custom_; }
    const Observable<Uuid>& activeID() const { return activeID_; }
    const Observable<std::optional<Location>>& location() const { return location_; }
    const std::string& path() const { return path_; }
    // Whether this run found no location and took the time zone's city (saved as the
    // location from then on, so the next run finds it).
    bool locationGuessed() const { return locationGuessed_; }
    // Whether the schedules and the active one came from the file (it was there and decoded).
    bool loadedFromFile() const { return loadedFromFile_; }

    // Presets::all() followed by the custom schedules.
    std::vector<Schedule> schedules() const;
    // The schedule `activeID` names, else the default built-in one. Never changes activeID.
    Schedule active() const;
    std::optional<Schedule> schedule(const Uuid& id) const;

    // Each assignment saves, even of an equal value. A location with non-finite coordinates
    // is refused (JSON cannot hold it) and nothing changes.
    Status setActiveID(const Uuid& id);
    Status setLocation(std::optional<Location> location);

    // A custom copy of any schedule with a fresh id, fresh keyframe ids and a unique name
    // (`name` trimmed; "My schedule" when empty).
    Schedule addNew(const Schedule& schedule, const std::string& name, bool activate);
    Schedule duplicate(const Schedule& schedule, bool activate);
    // Replaces the custom schedule with the same id; built-ins and unknown ids are ignored.
    Status update(const Schedule& schedule);
    // Removes a custom schedule; the default becomes active when it was the active one.
    Status deleteSchedule(const Schedule& schedule);

    // Reads the file again after a hand edit and takes it in as a start would read it: a
    // removed "location" is guessed again, a removed file gives the defaults. Content equal to
    // what was last read or written (our own saves) changes nothing. A file that does not
    // decode is moved aside at once and the schedules in use are saved in its place, so
    // neither the edit nor the schedules are lost. True when a schedule, the active one or
    // the location changed, here or in a save since the last reload: a save first takes in
    // an edit not read yet, all but the part it changes itself, so it undoes none of it.
    bool reload();

    // The outcome of the latest save (success before any).
    const Status& lastSave() const { return lastSave_; }

    // The schedule a new custom schedule starts from.
    static Schedule makeTemplate();

private:
    void load();
    // Takes in what the file held, without saving.
    void apply(std::vector<Schedule> custom, Uuid activeID, std::optional<Location> location,
               Json unknown);
    void guessLocation();
    bool reread();
    // What a save changes itself, and keeps against a hand edit not read yet.
    enum Part : unsigned { customPart = 1, activePart = 2, locationPart = 4, allParts = 7 };
    void takeInUnreadEdit(unsigned changing);
    Status save(unsigned changing = allParts);
    Status moveAsideUnreadableFile();
    std::string uniqueName(const std::string& base) const;

    FileSystem& files_;
    Log log_;
    std::string path_;
    const Clock& clock_;
    const TimeZoneSource& zones_;
    Observable<std::vector<Schedule>> custom_;
    Observable<Uuid> activeID_;
    Observable<std::optional<Location>> location_;
    bool isLoading_ = false;
    bool mustMoveAside_ = false;
    bool locationGuessed_ = false;
    bool loadedFromFile_ = false;  // the file on disk failed to read or decode
    Status lastSave_ = success();
    std::optional<std::string> onDisk_;  // the file as last read or written; none: no file
    bool takenIn_ = false;               // a save took in a hand edit since the last reload
    Json unknown_ = Json::object();      // members of the file this version does not know
};

}  // namespace vesperine
