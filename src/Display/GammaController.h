#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Display/GammaTable.h"
#include "Platform/DisplayServices.h"
#include "Platform/Logger.h"
#include "Platform/Scheduler.h"
#include "Support/Alive.h"
#include "Support/Reused.h"

namespace vesperine {

// Writes per-display transfer tables: each display's clean baseline (its own table before any
// tint) times the gains. A watchdog rewrites tables that something else changed and retries
// writes that failed, two seconds after the last write and every two seconds from then on (so
// not during a fade whose frames come faster), and `restore` gives the displays their own
// colour settings back. Main loop only. Where the platform tells when another program
// writes a table (an X server with RECORD does), the watchdog looks a quarter of a second
// after such a write (and at most every two seconds) instead of on a two-second rhythm, and
// an idle tint costs no wake-up.
// Where it answers the watchdog's reads one tick late (see DisplayGamma::
// readTablesAskedBefore), a changed table is rewritten two to four seconds later, not
// within two: a tick then costs one wake-up, not two.
//
// The displays of one call are read or written as one batch (see DisplayGamma), so a frame or
// a watchdog tick costs one round trip to the display server whatever the number of displays.
class GammaController {
  public:
    static constexpr std::size_t tableSize = 256;
    static constexpr std::size_t readCapacity = 1024;

    GammaController(DisplayGamma& gamma, Scheduler& scheduler, Logger& logger);

    // Writes baseline × gains to each listed display; all-neutral (or empty) gains restore.
    void apply(const std::map<DisplayID, RGBGains>& gains);
    // The same for a fade frame, but writes only what would change the display: the gains
    // last written to a display are not written there again (the same gains on the same
    // baseline make the same table), and neutral gains on a display that shows its own table
    // since the last restore write nothing (all-neutral gains restore only when some display
    // still shows a table of ours).
    void applyChanges(const std::map<DisplayID, RGBGains>& gains);
    void apply(const RGBGains& gains, const std::vector<DisplayID>& displays);
    // After a layout change: gives the displays their own tables back, forgets baselines and
    // what was applied, then applies `gains` (so baselines are read from untinted tables).
    void reapplyAfterReconfiguration(const std::map<DisplayID, RGBGains>& gains);
    void restore();
    // The displays' names, for the log (a display without one is named by its number).
    void setNames(std::map<DisplayID, std::string> names) { names_ = std::move(names); }
    ColourControl colourControl() const { return gamma_.colourControl(); }
    // Gives every display its own table back, unless that already happened in this run.
    void restoreOnce();

    // The display's current table (at least 2 entries), or none.
    static std::optional<GammaTable::Channels> read(DisplayGamma& gamma, DisplayID display);
    // The same for several displays, read in one batch, each resampled to at most `capacity`
    // entries. A capacity of 2 gives a table's two ends exactly (endsOnly): all a drift check
    // compares, without the buffers and copies of whole tables on every tick.
    static constexpr std::size_t endsOnly = 2;
    // `now`: as the displays show them now. `askedBefore`: the watchdog's reads, which a
    // platform may answer one call late (see DisplayGamma::readTablesAskedBefore); a display
    // without such an answer yet has none.
    enum class Reading { now, askedBefore };
    static std::map<DisplayID, std::optional<GammaTable::Channels>> readAll(
        DisplayGamma& gamma, const std::vector<DisplayID>& displays,
        std::size_t capacity = readCapacity, Reading reading = Reading::now);
    // The table itself, whatever its curve, unless it is black or holds entries outside
    // 0...1.02 (or not numbers), which no display's own table does: then the identity.
    static GammaTable::Channels cleanBaseline(const std::optional<GammaTable::Channels>& table);

    // The displays of `meant` whose table, read back now, is visibly another than the one
    // meant for it (some entry apart by more than the watchdog tolerates), or cannot be read.
    static std::vector<DisplayID> notShowing(
        DisplayGamma& gamma, const std::map<DisplayID, GammaTable::Channels>& meant);

    const std::map<DisplayID, RGBGains>& applied() const { return applied_; }
    // The table last written to each display since the last restore (none where that failed).
    const std::map<DisplayID, GammaTable::Channels>& written() const { return written_; }
    const std::map<DisplayID, GammaTable::Channels>& baselines() const { return baselines_; }
    // True while the watchdog looks every two seconds.
    bool watchdogRunning() const { return watchdog_.isActive(); }

  private:
    struct Write {
        DisplayID display;
        RGBGains gains;
        GammaTable::Channels table;
    };
    const GammaTable::Channels& baseline(DisplayID display);
    Write scaledFor(DisplayID display, const RGBGains& gains);
    // Writes the batch and records, per display, what was applied or why it failed.
    // `confirmed`: waits for the platform to confirm each write (see DisplayGamma::sendTables).
    void write(std::vector<Write>& batch, bool confirmed = true);
    // True when the display shows its own table: restored, and not written to since.
    bool showsOwn(DisplayID display) const;
    void startWatchdog();
    void startRhythm();  // the two-second looks, whether writes are heard or not
    void stopWatchdog();
    void checkTables(Reading reading = Reading::askedBefore);
    // True once the platform tells of other programs' writes (asked at the first start of
    // the watchdog): then the watchdog looks when told, and keeps its two-second rhythm only
    // for writes of ours that failed and must be tried again.
    bool hearsForeignWrites();
    void foreignWrite();

    DisplayGamma& gamma_;
    Scheduler& scheduler_;
    Log log_;
    std::map<DisplayID, GammaTable::Channels> baselines_;
    std::map<DisplayID, RGBGains> applied_;
    std::map<DisplayID, double> lastDrift_;
    std::map<DisplayID, std::string> names_;
    std::string nameOf(DisplayID display) const;
    // The error last logged per display, to log once per cause.
    std::map<DisplayID, int> lastFailure_;
    // The gains of each display whose latest write failed; the watchdog tries them again.
    std::map<DisplayID, RGBGains> failed_;
    // The table last written to each display, so that a frame never writes it again.
    std::map<DisplayID, GammaTable::Channels> written_;
    // Buffers of tables that were replaced, for the next tables scaled (at most one per
    // display written).
    std::vector<GammaTable::Channels> spareTables_;
    Reused<Write> frameBatch_;                   // a frame's writes
    Reused<DisplayGamma::TableWrite> requests_;  // what the platform is asked to write
    // The displays written to since the last restore; none before the first restore of a run
    // (a table of an earlier run may still be on any display).
    std::optional<std::set<DisplayID>> touched_;
    bool restoredThisRun_ = false;
    bool checking_ = false;  // in a watchdog tick: its repairs do not move the next tick
    Timer watchdog_;
    std::optional<bool> hears_;
    Handle foreignWrites_;
    Timer lookSoon_;  // the look after another program's write
    std::optional<MonotonicTime> lastLook_;
    Alive alive_;
};

}  // namespace vesperine
