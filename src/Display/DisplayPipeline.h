#pragma once

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "Display/DisplayInfo.h"
#include "Display/DisplayMonitor.h"
#include "Display/DisplayTarget.h"
#include "Display/EDRTrigger.h"
#include "Display/Easing.h"
#include "Display/GammaController.h"
#include "Display/TransitionPlan.h"
#include "Platform/EDRSurface.h"
#include "Support/Observable.h"

namespace vesperine {

// The one owner of what the displays show. Fades from what is on screen to each new target,
// turns boost into per-display gains within each display's headroom, keeps EDR triggers on
// boost-capable displays while boost shows, and re-establishes all this after display events.
//
// Frames. A fade's target is a function of elapsed monotonic time (eased per step, smoothly or
// evenly as the caller asks), and a frame shows the target of its own moment, at most one
// every 33 ms. A frame is written only where it shows something new: after each frame the
// next one is timed for the moment the eased target will have moved by 1/1024
// (FramePacing::visibleStep) in some display's channel gain (the easing is known, so that
// moment is computed, not polled), rounded up to whole 33 ms frame intervals, or for the
// step's end, whichever comes first. So what is shown never departs by more than 1/1024 from
// what a frame every 33 ms would show; a fast fade still gets a frame every 33 ms, and a slow
// one a frame each time the change adds up to 1/1024. A frame whose tables equal the ones on
// the displays writes nothing (the first frame of a fade among them), and neutral gains on
// displays that show their own tables write nothing either. Every step ends with a frame at
// exactly its target, and a new `apply` cancels the pending frame.
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
    void apply(const DisplayTarget& target, double transition,
               Easing::Curve curve = Easing::Curve::smooth);
    // Shows `target` at once, with no fade and no frame left to run: for a command that
    // writes the tables once and leaves them on the displays.
    void showNow(const DisplayTarget& target);
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
    // When the next frame of the running step is due, from now.
    Duration untilNextFrame(const TransitionPlan::Step& step, double eased) const;
    // Shows `value` and writes every table again.
    // The gains of `target` for each display, into `result` (a frame's map, kept).
    void gainsInto(const DisplayTarget& target, std::map<DisplayID, RGBGains>& result) const;
    void set(const DisplayTarget& value);
    // Shows `value`, writing only the tables that change.
    void show(const DisplayTarget& value);
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
    std::map<DisplayID, RGBGains> frameGains_;

    struct Fade {
        TransitionPlan plan{};
        Easing::Curve curve = Easing::Curve::smooth;
        std::size_t step = 0;
        std::optional<MonotonicTime> stepStart{};
        double easedSpan = 0;  // of the running step: see FramePacing::easedSpan
    };
    Fade fade_;
    Timer fadeTimer_;
    Alive alive_;
};

}  // namespace vesperine
