#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "Platform/DefaultsStore.h"
#include "Platform/FileSystem.h"
#include "Platform/Logger.h"
#include "Support/Json.h"

namespace vesperine {

// The per-user defaults as one JSON object in one file ($XDG_CONFIG_HOME/<bundle id>/
// defaults.json). Every change rewrites the file atomically; an equal value writes nothing.
//
// The file is the person's as much as ours: it may be edited by hand while the program runs.
// Before each write the file is read again, and when it differs from what we last read or
// wrote, the hand edits are taken in first: a key the person changed, added or removed takes
// their value (or stays removed), unless this run set or removed the same key since, whose
// value wins. So nothing written by hand is lost to the next save, and `value` answers with
// the person's values from then on. `reload` does the same when the file is seen to change,
// so the program's services can follow at once. A hand edit that does not parse is kept
// aside as a damaged file is at start, and named in the log, and the settings in use are
// written in its place: unlike at start they are not lost, and the next start finds them.
//
// File form: booleans, integers, numbers and strings are plain JSON values; a data value
// that is the compact JSON text of an object or list (a settings record) is that object or
// list, nested, and other data values are {"$data": "<base64>"}; a number that JSON cannot
// hold (NaN, infinity) is {"$double": "nan"}. Any object or list reads back as data: its
// compact text, byte for byte what was stored. Values of other forms (null, an object with a
// single "$..." member we do not know: a newer version's) read as absent but are written
// back unchanged when other keys are saved. The file is indented, for reading by hand.
//
// A file that does not parse is moved aside to "<name>.corrupt" ("<name>.corrupt-2", ... when
// taken) and the store starts empty, so each damaged content stays available and is never
// overwritten in place. A file that cannot be read (permissions, a device or pipe in its
// place, too large) is left as it is and never written over: changes live for this run only.
class JsonFileDefaultsStore final : public DefaultsStore {
public:
    // Where changes go: to the file, or only into this run's memory, the file read once and
    // never written, moved or created (a run that must leave the person's settings as they
    // were).
    enum class Writes { toFile, thisRunOnly };
    JsonFileDefaultsStore(FileSystem& files, Logger& logger, std::string path,
                          Writes writes = Writes::toFile);

    // Another program's defaults file in the same form, read once and never written, moved
    // or created. No file gives null; a file that can't be read or does not parse gives an
    // error saying so, and logs nothing.
    static Result<std::unique_ptr<const DefaultsStore>> openReadOnly(FileSystem& files,
                                                                     Logger& logger,
                                                                     std::string path);

    std::optional<DefaultsValue> value(std::string_view key) const override;
    void set(std::string_view key, DefaultsValue value) override;
    void remove(std::string_view key) override;
    bool reload() override;
    const Observable<std::optional<std::string>>& writeFailure() const override {
        return writeFailure_;
    }

    const std::string& path() const { return path_; }

private:
    void load();
    // Takes `tree`'s entries in as read: known forms into `values_`, every entry into `file_`.
    void adopt(const std::string& key, const Json& entry);
    // Takes in what was written to the file since we last read or wrote it; an error when
    // the file may not be written over now.
    Status takeInHandEdits();
    void save();
    void failed(std::string reason);

    FileSystem& files_;
    Log log_;
    std::string path_;
    std::map<std::string, DefaultsValue, std::less<>> values_;  // the entries of known forms
    Json file_ = Json::object();  // every entry in file form, the unknown ones as they were read
    std::optional<std::string> onDisk_;  // the file as last read or written; none: no file
    std::set<std::string, std::less<>> changed_;  // keys set or removed since then
    bool takenIn_ = false;     // hand edits taken in by a save since the last reload
    bool readFailed_ = false;  // an unreadable (not missing) file: never write over it
    bool warnedUnsaved_ = false;
    Observable<std::optional<std::string>> writeFailure_;
    bool readOnly_ = false;
    bool found_ = false;                  // read-only: the file exists
    std::optional<Error> readOnlyError_;  // read-only: why it could not be read
};

}  // namespace vesperine
