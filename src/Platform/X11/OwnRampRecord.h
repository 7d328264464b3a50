#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Display/GammaTable.h"
#include "Platform/FileSystem.h"
#include "Platform/Logger.h"

namespace vesperine {

// What this user's runs took as each output's own ramp on one X server, kept in a small file
// in the runtime folder ($XDG_RUNTIME_DIR: this user's only, gone at logout) while a tint may
// be on the output. It is how a run tells a ramp left tinted by a run that was killed from a
// calibration someone loaded: the ramp on screen is the output's own unless the record says
// otherwise.
//
// An entry holds while the output may show something else than its own ramp: it is written
// (atomically, mode 0600) before the first tint lands, and removed once the own ramp is back,
// so a clean exit leaves no entry behind and a calibration loaded after it is taken as the
// output's own by the next run.
//
// One file per display name ("<bundle id>.ramps.<display>.json"); it applies only to the
// same server start (`open`'s `server`) and to an output of the same name, EDID and gamma
// size. A damaged or foreign file, or a stale entry, is logged once and dropped, never used.
// Ramps are fractions of full scale in steps of 1/65535 (stored as 16-bit integers). Main
// loop only.
class OwnRampRecord {
public:
    struct Output {
        std::string name;  // the RandR output name
        std::string edid;  // a hash of its EDID, empty without one
        int gammaSize = 0;
        bool operator==(const Output&) const = default;
    };
    struct Entry {
        Output output;
        GammaTable::Channels ramp;
    };

    // An empty `folder` keeps no record (said once, at `open`).
    OwnRampRecord(FileSystem& files, Logger& logger, std::string folder, std::string bundleId);

    // $XDG_RUNTIME_DIR when it is set to an absolute path, else empty. No fallback: a shared
    // folder such as /tmp is not private, and one that outlives the session would let a
    // record outlive the server's ramps in ways the key cannot see.
    static std::string runtimeFolder();

    // Chooses the display (its name as in $DISPLAY) and the server start (any text that
    // differs between two starts of a server) and reads what an earlier run recorded for
    // them. Only the first call counts.
    void open(const std::string& display, const std::string& server);
    bool isOpen() const { return opened_; }

    // The ramp an earlier run recorded as `output`'s own, if its entry matches `output`.
    std::optional<GammaTable::Channels> recall(const Output& output);
    // Records `ramp` as `output`'s own before a tint lands on it; nothing is written when the
    // entry already says so. False when it could not be recorded.
    bool keep(const Output& output, const GammaTable::Channels& ramp);
    // These outputs show their own ramps again: their entries go.
    void release(const std::vector<std::string>& names);
    bool holds(const std::string& name) const { return entries_.count(name) > 0; }

private:
    void load();
    bool save();

    FileSystem& files_;
    Log log_;
    std::string folder_;
    std::string bundleId_;
    std::string path_;
    std::string display_;
    std::string server_;
    bool opened_ = false;
    std::map<std::string, Entry> entries_;
    bool writeFailing_ = false;
};

}  // namespace vesperine
