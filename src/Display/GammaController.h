#pragma once

#include <map>
#include <optional>
#include <vector>

#include "Display/GammaTable.h"
#include "Platform/DisplayServices.h"
#include "Platform/Logger.h"
#include "Platform/Scheduler.h"
#include "Support/Alive.h"

namespace vesperine {

// Writes per-display transfer tables: each display's clean baseline (its own table before any
// tint) times the gains. A 2-second watchdog rewrites tables that something else changed and
// retries writes that failed, and `restore` gives the displays their own colour settings
// back. Main loop only.
class GammaController {
  public:
    static constexpr std::size_t tableSize = 256;
    static constexpr std::size_t readCapacity = 1024;

    GammaController(DisplayGamma& gamma, Scheduler& scheduler, Logger& logger);

    // Writes baseline × gains to each listed display; all-neutral (or empty) gains restore.
    void apply(const std::map<DisplayID, RGBGains>& gains);
    void apply(const RGBGains& gains, const std::vector<DisplayID>& displays);
    // After a layout change: gives the displays their own tables back, forgets baselines and
    // what was applied, then applies `gains` (so baselines are read from untinted tables).
    void reapplyAfterReconfiguration(const std::map<DisplayID, RGBGains>& gains);
    void restore();
    // Gives every display its own table back, unless that already happened in this run.
    void restoreOnce();

    // The display's current table (at least 2 entries), or none.
    static std::optional<GammaTable::Channels> read(DisplayGamma& gamma, DisplayID display);
    // The table itself, whatever its curve, unless it is black or holds entries outside
    // 0...1.02 (or not numbers), which no display's own table does: then the identity.
    static GammaTable::Channels cleanBaseline(const std::optional<GammaTable::Channels>& table);

    const std::map<DisplayID, RGBGains>& applied() const { return applied_; }
    const std::map<DisplayID, GammaTable::Channels>& baselines() const { return baselines_; }
    bool watchdogRunning() const { return watchdog_.isActive(); }

  private:
    const GammaTable::Channels& baseline(DisplayID display);
    bool write(DisplayID display, const RGBGains& gains);
    void startWatchdog();
    void stopWatchdog();
    void checkTables();

    DisplayGamma& gamma_;
    Scheduler& scheduler_;
    Log log_;
    std::map<DisplayID, GammaTable::Channels> baselines_;
    std::map<DisplayID, RGBGains> applied_;
    std::map<DisplayID, double> lastDrift_;
    // The error last logged per display, to log once per cause.
    std::map<DisplayID, int> lastFailure_;
    // The gains of each display whose latest write failed; the watchdog tries them again.
    std::map<DisplayID, RGBGains> failed_;
    bool restoredThisRun_ = false;
    Timer watchdog_;
    Alive alive_;
};

}  // namespace vesperine
