// Drivers and outputs misbehave in the field: writes refused, reads refused, outputs unplugged
// between listing and writing, gamma sizes of 0, 1 or garbage. None of that may stop the other
// displays from following a fade, and none of it may be logged thirty times a second.
#include "Color/Kelvin.h"
#include "Display/DisplayFixture.h"

namespace vesperine {
namespace {

using namespace testing_display;
using namespace std::chrono_literals;

constexpr DisplayID bad = 9;

struct BadDisplay {
    const char* name;
    std::size_t gammaSize;
    // Applied once the pipeline has listed the displays.
    SimulatedDisplays::Failures failures;
    bool vanishes;            // gone between listing and writing
    bool tinted;              // still shows the tint: the fault costs nothing visible
    const char* failureLine;  // logged exactly once over the whole run, if any
    void breakIt(SimulatedDisplays& displays, DisplayID id) const {
        displays.failures(id) = failures;
        if (vanishes) displays.vanish(id);
    }
};

constexpr const char* gone =
    "Couldn't write the gamma table of Display 9: no such display is attached (1001)";
constexpr const char* badSize =
    "Couldn't write the gamma table of Display 9: its gamma table has a size that cannot be used "
    "(1004)";

const BadDisplay badDisplays[] = {
    {"write refused", 256, {.writeError = 1001, .reportedCount = {}}, false, false, gone},
    {"read refused", 256, {.readError = 1001, .reportedCount = {}}, false, true, nullptr},
    {"count beyond the buffer", 256, {.reportedCount = std::size_t{1} << 40}, false, true, nullptr},
    {"gone between listing and writing", 256, {}, true, false, gone},
    {"gamma size 0", 0, {}, false, false, badSize},
    {"gamma size 1", 1, {}, false, false, badSize},
    {"gamma size 1024", 1024, {}, false, true, nullptr},
    {"gamma size 2^32", std::size_t{1} << 32, {}, false, false, badSize},
};

// A 4-second fade to warm, then 20 s of watchdog ticks, stepping frame by frame.
TEST(BadDisplay, NeverStopsTheOthersAndIsLoggedOncePerCause) {
    for (const auto& c : badDisplays) {
        SCOPED_TRACE(c.name);
        SimulatedDisplays displays;
        SimulatedEDRSurfaces surfaces;
        VirtualTime time;
        CapturingLogger logger;
        displays.add(screen(1));
        displays.add(screen(bad, 1.0, 1.0, 1920), c.gammaSize);
        displays.add(screen(2, 1.0, 1.0, 3840), 1024);
        DisplayPipeline pipeline(displays, displays, surfaces, time, logger);
        c.breakIt(displays, bad);

        const DisplayTarget warm{1.0, Kelvin::gains(2700)};
        pipeline.apply(warm, 4);
        time.runDue();
        int frames = 0, untinted = 0, badUntinted = 0;
        for (auto span = 0ms; span < 24s; span += 33ms) {
            time.advance(33ms);
            const RGBGains shown = pipeline.current()->gains;
            if (shown.isNeutral()) continue;
            ++frames;
            if (!shows(displays, 1, shown) || !shows(displays, 2, shown)) ++untinted;
            if (!shows(displays, bad, shown)) ++badUntinted;
        }
        EXPECT_EQ(pipeline.current().get(), warm);
        EXPECT_GT(frames, 700);
        EXPECT_EQ(untinted, 0);
        EXPECT_EQ(badUntinted, c.tinted ? 0 : frames);
        // One write per frame and healthy display: none skipped, no repair rewrites.
        EXPECT_EQ(displays.writesTo(1), displays.writesTo(2));
        EXPECT_EQ(logger.count("Gamma drifted"), 0u);
        const std::size_t errors = logger.count("Couldn't write");
        if (c.failureLine) {
            EXPECT_EQ(logger.count(c.failureLine, "gamma"), 1u);
            EXPECT_EQ(errors, 1u);
        } else {
            EXPECT_EQ(errors, 0u);
        }
    }
}

// All of them on one machine, with a display that fails for a while and then recovers.
TEST(BadDisplay, AllAtOnceAndARecoveredDisplayCatchesUp) {
    SimulatedDisplays displays;
    SimulatedEDRSurfaces surfaces;
    VirtualTime time;
    CapturingLogger logger;
    displays.add(screen(1));
    const DisplayID first = 20;
    DisplayID id = first;
    for (const auto& c : badDisplays) {
        displays.add(screen(id, 1.0, 1.0, 1920.0 * id), c.gammaSize);
        ++id;
    }
    displays.add(screen(2, 1.0, 1.0, 1920.0 * id));
    DisplayPipeline pipeline(displays, displays, surfaces, time, logger);
    displays.failures(2).writeError = 1003;  // refuses for now
    id = first;
    for (const auto& c : badDisplays) c.breakIt(displays, id++);

    const DisplayTarget red{1.0, {1.0, 0.1, 0.0}};
    pipeline.apply(red, 2);
    time.advance(1s);
    EXPECT_TRUE(shows(displays, 1, pipeline.current()->gains));
    displays.failures(2).writeError = 0;  // the driver is ready again mid-fade
    time.advance(1500ms);
    EXPECT_EQ(pipeline.current().get(), red);
    EXPECT_TRUE(shows(displays, 1, red.gains));
    EXPECT_TRUE(shows(displays, 2, red.gains));
    EXPECT_EQ(
        logger.count("gamma table of Display 2: an unexplained platform error (1003)", "gamma"),
        1u);

    // Failing at the very last frame: no frame follows, so the watchdog's tick must retry.
    pipeline.apply(DisplayTarget{1.0, Kelvin::gains(3400)}, 0.5);
    time.advance(300ms);
    displays.failures(2).writeError = 1003;
    time.advance(300ms);
    EXPECT_FALSE(pipeline.isFading());
    displays.failures(2).writeError = 0;
    time.advance(2500ms);
    EXPECT_TRUE(shows(displays, 2, Kelvin::gains(3400)));
    EXPECT_TRUE(shows(displays, 1, Kelvin::gains(3400)));
    EXPECT_EQ(logger.count("Gamma drifted"), 0u);
}

}  // namespace
}  // namespace vesperine
