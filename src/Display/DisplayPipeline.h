#pragma once

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "Display/DisplayInfo.h"
#include "Display/DisplayMonitor.h"
#include "Display/DisplayTarget.h"
#include "Display/EDRTrigger.h"
#include "Display/GammaController.h"
#include "Display/TransitionPlan.h"
#include "Platform/EDRSurface.h"
#include "Support/Observable.h"

namespace vesperine {

// The one owner of what the displays show. Fades from what is on screen to each new target
// at about 30 frames a second (a chain of 33 ms timers, progress by elapsed monotonic time),
// turns boost into per-display gains within each display's headroom, keeps EDR triggers on
// boost-capable displays while boost shows, and re-establishes all this after display events.
class DisplayPipeline {
  public:
    static constexpr auto frameInterval = std::chrono::milliseconds(33);

    DisplayPipeline(DisplayList& list, DisplayGamma& gamma, EDRSurfaceFactory& surfaces,
                    Scheduler& scheduler, Logger& logger);

    const Observable<DisplayTarget>& current() const { return current_; }  // on screen now
    const Observable<DisplayTarget>& target() const { return target_; }    // of the latest apply
    const Observable<std::vector<DisplayInfo>>& displays() const { return displays_; }

    bool anyDisplaySupportsBoost() const;
    bool isBoosting() const { return !triggers_.empty(); }
    std::optional<double> boostCeiling() const;
    bool isFading() const { return fadeTimer_.isActive(); }

    // Fades to `target` over `transition` seconds, from wherever the screen is now.
    void apply(const DisplayTarget& target, double transition);
    void reset();
    // Once per run, before anything is shown: every display gets its own table back, so a
    // tint left by an earlier run that was killed does not stay (or stack) while this run
    // shows Off.
    void takeOver() { gamma_.restoreOnce(); }
    void reassert();
    void handle(DisplayMonitor::Event event);

    const GammaController& gamma() const { return gamma_; }
    // The per-display gains that show `target`.
    std::map<DisplayID, RGBGains> gains(const DisplayTarget& target) const;

  private:
    void frame();
    void set(const DisplayTarget& value);
    void showTriggers();
    void hideTriggers();
    void refreshDisplays();

    DisplayList& list_;
    EDRSurfaceFactory& surfaces_;
    Scheduler& scheduler_;
    Log log_;
    GammaController gamma_;
    Observable<DisplayTarget> current_{DisplayTarget::off()};
    Observable<DisplayTarget> target_{DisplayTarget::off()};
    Observable<std::vector<DisplayInfo>> displays_;
    std::map<DisplayID, std::unique_ptr<EDRTrigger>> triggers_;
    DisplayLayout layout_;

    struct Fade {
        TransitionPlan plan;
        std::size_t step = 0;
        std::optional<MonotonicTime> stepStart;
    };
    Fade fade_;
    Timer fadeTimer_;
    Alive alive_;
};

}  // namespace vesperine
