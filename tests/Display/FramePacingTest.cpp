#include "Display/FramePacing.h"

#include <algorithm>
#include <cmath>

#include "Color/Kelvin.h"
#include "Display/Easing.h"
#include "DisplayFixture.h"

namespace vesperine {
namespace {

using namespace testing_display;
using namespace std::chrono_literals;

constexpr Duration frame = DisplayPipeline::frameInterval;

// What a fade that wrote a frame every 33 ms would show `at` after it began.
DisplayTarget everyFrame(const TransitionPlan& plan, Easing::Curve curve, Duration at) {
    Duration start{0};
    for (const auto& step : plan.steps) {
        const auto frames = step.duration > 0
                                ? static_cast<Duration::rep>(std::ceil(step.duration / toSeconds(frame)))
                                : 0;
        if (at < start + frames * frame) {
            const Duration shown = (at - start) / frame * frame;
            return step.from.lerp(step.to, Easing::ease(curve, toSeconds(shown) / step.duration));
        }
        start += frames * frame;
    }
    return plan.steps.back().to;
}

// The largest difference of a channel gain on any display.
double departure(const std::map<DisplayID, RGBGains>& a, const std::map<DisplayID, RGBGains>& b) {
    double worst = 0;
    for (const auto& [id, x] : a) {
        const RGBGains& y = b.at(id);
        worst = std::max({worst, std::abs(x.r - y.r), std::abs(x.g - y.g), std::abs(x.b - y.b)});
    }
    return worst;
}

TEST(FramePacing, ShownStaysWithinAVisibleStepOfEveryFrameAndEndsOnTheTarget) {
    const DisplayTarget off = DisplayTarget::off();
    const DisplayTarget warm{1.0, Kelvin::gains(3400)};
    const DisplayTarget k5000{1.0, Kelvin::gains(5000)}, k4800{1.0, Kelvin::gains(4800)};
    const struct Case {
        const char* name;
        DisplayTarget from, to;
        double seconds;
        Easing::Curve curve = Easing::Curve::smooth;
    } cases[] = {
        // Blue moves by 0.46: a frame per 1/1024 of that, not one per 33 ms (54,546).
        {"30-minute evening fade", off, warm, 1800},
        {"31 s piece of a scheduled fade, even", k5000, k4800, 31, Easing::Curve::even},
        {"hot key, 0.5 s: every frame", warm, off, 0.5},
        {"boost down, tint in", {2.0, RGBGains::neutral()}, {1.0, Kelvin::gains(2700)}, 60},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BoostDesk desk;
        auto& displays = desk.displays;
        auto& time = desk.time;
        DisplayPipeline& pipeline = *desk.pipeline;
        pipeline.apply(c.from, 0);
        time.runDue();
        const int writesBefore = displays.writesTo(2);
        const int allBefore = displays.writes();
        const int restoresBefore = displays.restores();

        const auto plan = TransitionPlan::make(c.from, c.to, c.seconds);
        pipeline.apply(c.to, c.seconds, c.curve);
        time.runDue();
        EXPECT_EQ(displays.writes(), allBefore);  // the first frame shows nothing new
        double worst = 0;
        for (Duration at = frame; pipeline.isFading(); at += frame) {
            time.advance(frame);
            const auto shown = pipeline.gains(pipeline.current().get());
            worst =
                std::max(worst, departure(shown, pipeline.gains(everyFrame(plan, c.curve, at))));
            // What the fade shows is on the displays.
            for (const auto& [id, gains] : shown) {
                if (gains.isNeutral()) continue;
                ASSERT_EQ(lastBlue(displays, id), static_cast<float>(gains.b)) << id;
            }
        }
        EXPECT_LE(worst, FramePacing::visibleStep);
        EXPECT_EQ(pipeline.current().get(), c.to);
        EXPECT_EQ(lastGreen(displays, 2), static_cast<float>(c.to.gains.g));
        // On the display without boost, one frame per visible step of the tint (and one to
        // land on the target), or one per 33 ms where that is fewer.
        const RGBGains &a = c.from.gains, &b = c.to.gains;
        const double tint = std::max({std::abs(b.r - a.r), std::abs(b.g - a.g), std::abs(b.b - a.b)});
        const double most = std::min(std::ceil(tint / FramePacing::visibleStep) + 1,
                                     std::ceil(c.seconds / toSeconds(frame)) + 1);
        EXPECT_LE(displays.writesTo(2) - writesBefore, most);
        // Neutral frames do not restore again and again.
        EXPECT_LE(displays.restores() - restoresBefore, 1);
    }
}

TEST(TransitionPlan, BoostComesDownBeforeATintAndGoesUpAfterIt) {
    using Step = TransitionPlan::Step;
    const DisplayTarget boosted{2.0, {1, 1, 1}}, white{1.0, {1, 1, 1}};
    const DisplayTarget warm{1.0, Kelvin::gains(3400)}, warmer{1.0, Kelvin::gains(2700)};
    const DisplayTarget almost{1.0, {0.99995, 1, 1}};  // white but for rounding
    using Case = std::tuple<const char*, DisplayTarget, DisplayTarget, double, std::vector<Step>>;
    const Case cases[] = {
        {"same target", warm, warm, 5, {}},
        {"boost to warm", boosted, warm, 4, {{boosted, white, 2}, {white, warm, 2}}},
        {"warm to boost", warm, boosted, 4, {{warm, white, 2}, {white, boosted, 2}}},
        {"warm to warmer", warm, warmer, 4, {{warm, warmer, 4}}},
        {"near-identity is untinted", warm, almost, 2, {{warm, white, 1}, {white, almost, 1}}},
        {"negative duration", boosted, warm, -3, {{boosted, white, 0}, {white, warm, 0}}},
        {"NaN duration", warm, warmer, std::nan(""), {{warm, warmer, 0}}},
    };
    for (const auto& [name, from, to, duration, steps] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(TransitionPlan::make(from, to, duration).steps, steps);
    }
}

}  // namespace
}  // namespace vesperine
