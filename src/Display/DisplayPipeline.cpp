#include "Display/DisplayPipeline.h"

#include <algorithm>

#include "Display/BoostMapping.h"
#include "Display/DisplayCapabilities.h"
#include "Display/FramePacing.h"

namespace vesperine {

DisplayPipeline::DisplayPipeline(DisplayList& list, DisplayGamma& gamma,
                                 EDRSurfaceFactory& surfaces, Scheduler& scheduler, Logger& logger)
    : list_(list),
      surfaces_(surfaces),
      scheduler_(scheduler),
      log_(logger, "pipeline"),
      gamma_(gamma, scheduler, logger),
      layout_(DisplayCapabilities::layout(list)) {
    refreshDisplays();
}

bool DisplayPipeline::anyDisplaySupportsBoost() const {
    return std::any_of(displays_->begin(), displays_->end(),
                       [](const DisplayInfo& d) { return d.supportsBoost; });
}

std::optional<double> DisplayPipeline::boostCeiling() const {
    if (!isBoosting()) return std::nullopt;
    std::optional<double> lowest;
    for (const auto& display : displays_.get()) {
        if (!display.supportsBoost) continue;
        const double ceiling = BoostMapping::ceiling(display.currentHeadroom);
        if (!lowest || ceiling < *lowest) lowest = ceiling;
    }
    return lowest;
}

std::map<DisplayID, RGBGains> DisplayPipeline::gains(const DisplayTarget& target) const {
    std::map<DisplayID, RGBGains> result;
    gainsInto(target, result);
    return result;
}

void DisplayPipeline::gainsInto(const DisplayTarget& target,
                                std::map<DisplayID, RGBGains>& result) const {
    const auto& displays = displays_.get();
    // The entries of displays still there are overwritten, not made again.
    std::erase_if(result, [&](const auto& entry) {
        return std::none_of(displays.begin(), displays.end(),
                            [&](const DisplayInfo& d) { return d.id == entry.first; });
    });
    for (const auto& display : displays) {
        if (target.hasBoost() && display.supportsBoost) {
            result[display.id] =
                target.gains * BoostMapping::tableGain(target.boost, display.currentHeadroom);
        } else {
            result[display.id] = target.gains;
        }
    }
}

void DisplayPipeline::set(const DisplayTarget& value) {
    current_.set(value);
    gamma_.apply(gains(value));
}

void DisplayPipeline::show(const DisplayTarget& value) {
    current_.set(value);
    gainsInto(value, frameGains_);
    gamma_.applyChanges(frameGains_);
}

void DisplayPipeline::refreshDisplays() {
    displays_.set(DisplayCapabilities::all(list_));
    std::map<DisplayID, std::string> names;
    for (const auto& display : displays_.get()) names[display.id] = display.name;
    gamma_.setNames(std::move(names));
}

void DisplayPipeline::apply(const DisplayTarget& target, double transition, Easing::Curve curve) {
    target_.set(target);
    fadeTimer_.cancel();
    fade_ = Fade{.plan = TransitionPlan::make(current_.get(), target, transition), .curve = curve};
    if (fade_.plan.steps.empty()) return;
    // The fade runs on the loop, like every other piece of work; it starts on the next turn.
    fadeTimer_ = scheduler_.oneShot(Duration::zero(), alive_.guard([this] { frame(); }));
}

void DisplayPipeline::showNow(const DisplayTarget& target) {
    fadeTimer_.cancel();
    fade_ = Fade{};
    target_.set(target);
    set(target);
}

void DisplayPipeline::frame() {
    while (fade_.step < fade_.plan.steps.size()) {
        const auto& step = fade_.plan.steps[fade_.step];
        // One reading of the clock: a step's first frame is at its very start, and shows
        // exactly what it starts from (a piece that takes over a fade then writes nothing).
        const MonotonicTime now = scheduler_.monotonicNow();
        if (!fade_.stepStart) {
            if (step.to.hasBoost()) showTriggers();
            fade_.stepStart = now;
            fade_.easedSpan = FramePacing::easedSpan(step, displays_.get());
        }
        double p = 1.0;
        bool finished = true;
        if (step.duration > 0) {
            const double t = toSeconds(now - *fade_.stepStart) / step.duration;
            p = std::clamp(t, 0.0, 1.0);
            finished = t >= 1.0;
        }
        const double eased = Easing::ease(fade_.curve, p);
        // A finished step lands on its target exactly: a blend at 1 can miss it by a rounding,
        // and then the target would never compare equal to what is shown.
        show(finished ? step.to : step.from.lerp(step.to, eased));
        if (!finished) {
            fadeTimer_ = scheduler_.oneShot(untilNextFrame(step, eased),
                                            alive_.guard([this] { frame(); }));
            return;
        }
        if (!step.to.hasBoost()) hideTriggers();
        ++fade_.step;
        fade_.stepStart.reset();
    }
    fadeTimer_.cancel();
}

Duration DisplayPipeline::untilNextFrame(const TransitionPlan::Step& step, double eased) const {
    const double next = eased + fade_.easedSpan;
    // The moment the target will have moved visibly, or the step's end if it never does.
    const double p = next < 1.0 ? Easing::inverse(fade_.curve, next) : 1.0;
    // Within a century (as timers are), so that a step of any length cannot overflow.
    const double at = std::min(p * step.duration, 3.2e9);
    const Duration due = *fade_.stepStart +
                         durationFromSeconds(at).value_or(Duration::zero()) -
                         scheduler_.monotonicNow();
    // Whole frame intervals, at least one: frames keep the 33 ms rhythm of a fast fade.
    const auto interval = std::chrono::duration_cast<Duration>(frameInterval).count();
    const auto frames = std::max<Duration::rep>(1, (due.count() + interval - 1) / interval);
    return Duration(frames * interval);
}

void DisplayPipeline::showTriggers() {
    for (const auto& display : displays_.get()) {
        if (!display.supportsBoost) continue;
        if (!triggers_.count(display.id)) {
            auto screen = DisplayCapabilities::screen(list_, display.id);
            if (!screen) continue;
            auto trigger = EDRTrigger::make(*screen, surfaces_, scheduler_);
            if (!trigger) {
                triggers_.erase(display.id);
                continue;
            }
            triggers_[display.id] = std::move(trigger);
        }
        triggers_[display.id]->show();
    }
}

void DisplayPipeline::hideTriggers() {
    for (auto& [id, trigger] : triggers_) trigger->hide();
    triggers_.clear();
}

void DisplayPipeline::reset() {
    fadeTimer_.cancel();
    fade_ = Fade{};
    gamma_.restore();
    hideTriggers();
    current_.set(DisplayTarget::off());
    target_.set(DisplayTarget::off());
    log_.notice("Display reset");
}

void DisplayPipeline::reassert() {
    if (!current_->isOff()) gamma_.apply(gains(current_.get()));
}

void DisplayPipeline::handle(DisplayMonitor::Event event) {
    using Event = DisplayMonitor::Event;
    if (event == Event::spaceChanged || event == Event::clockChanged ||
        event == Event::timeZoneChanged)
        return;
    refreshDisplays();
    DisplayLayout newLayout = DisplayCapabilities::layout(list_);
    const bool changed = !(newLayout == layout_);
    layout_ = std::move(newLayout);
    if (changed) {
        // Where no display can boost (every X11 and Wayland display here) there are none.
        log_.notice(anyDisplaySupportsBoost() ? "Display layout changed; rebuilding EDR triggers"
                                              : "Display layout changed");
        hideTriggers();
        gamma_.reapplyAfterReconfiguration(gains(current_.get()));
    }
    if (current_->hasBoost()) showTriggers();
    if (!current_->isOff()) set(current_.get());
    if (isFading() && fade_.stepStart) {
        // Other displays or headrooms change how fast the gains move: pace the rest of the
        // step for them, from the frame just written.
        fade_.easedSpan =
            FramePacing::easedSpan(fade_.plan.steps[fade_.step], displays_.get());
        fadeTimer_ = scheduler_.oneShot(frameInterval, alive_.guard([this] { frame(); }));
    }
}

}  // namespace vesperine
