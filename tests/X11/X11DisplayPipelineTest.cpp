#include "Color/Kelvin.h"
#include "Display/DisplayMonitor.h"
#include "Display/DisplayPipeline.h"
#include "Platform/Simulated/SimulatedSystemEvents.h"
#include "Platform/X11/X11EDRSurfaces.h"
#include "X11DisplayFixture.h"

namespace vesperine::testing_x11 {
namespace {

using namespace std::chrono_literals;

// The whole display output on the real server: monitor, pipeline and gamma, on a poll loop.
class X11PipelineTest : public X11DisplayFixture {
  protected:
    void SetUp() override {
        X11DisplayFixture::SetUp();
        monitor = std::make_unique<DisplayMonitor>(*displays, systemEvents, loop, logger);
        pipeline = std::make_unique<DisplayPipeline>(*displays, *displays, surfaces, loop, logger);
        monitor->onEvent = [this](DisplayMonitor::Event event) {
            if (event == DisplayMonitor::Event::reconfigured) ++reconfigurations;
            pipeline->handle(event);
        };
        monitor->start();
    }
    void TearDown() override {
        monitor.reset();
        pipeline.reset();
        X11DisplayFixture::TearDown();
    }
    bool runUntilFadeEnds() {
        return loop.runUntil([this] { return !pipeline->isFading(); }, 10s);
    }
    // The blue end of a ramp as a fraction of white.
    double blueEnd(const char* output) const {
        auto ramp = other.ramp(output);
        return ramp.b.empty() ? -1 : ramp.b.back() / 65535.0;
    }

    SimulatedSystemEvents systemEvents;
    X11EDRSurfaces surfaces;
    std::unique_ptr<DisplayMonitor> monitor;
    std::unique_ptr<DisplayPipeline> pipeline;
    int reconfigurations = 0;
};

// Our own ramp writes must not come back as reconfigurations, or every frame would make the
// pipeline restore and re-read the tables.
TEST_F(X11PipelineTest, AFadeOfOurOwnRaisesNoReconfiguration) {
    const DisplayTarget warm{1.0, Kelvin::gains(2700)};
    pipeline->apply(warm, 1.0);
    ASSERT_TRUE(runUntilFadeEnds());
    loop.runFor(700ms);  // past the debounce
    EXPECT_EQ(reconfigurations, 0);
    EXPECT_NEAR(blueEnd("DUMMY0"), warm.gains.b, 1.0 / 65535);
    EXPECT_FALSE(pipeline->isBoosting());
    EXPECT_FALSE(pipeline->anyDisplaySupportsBoost());
}

TEST_F(X11PipelineTest, MonitorsAddedAndRemovedMidFadeEndOnTheTarget) {
    const DisplayTarget warm{1.0, Kelvin::gains(3000)};
    pipeline->apply(warm, 1.5);
    loop.runFor(300ms);
    ASSERT_TRUE(addSecondMonitor());
    // The server's own ramp of a new CRTC, before we hear of it.
    const double ownEnd = blueEnd("DUMMY1");
    ASSERT_TRUE(runUntilFadeEnds());
    loop.runFor(700ms);  // the debounced event may land after the last frame
    EXPECT_EQ(pipeline->displays()->size(), 2u);
    EXPECT_GE(reconfigurations, 1);
    EXPECT_NEAR(blueEnd("DUMMY0"), warm.gains.b, 1.0 / 65535);
    // Joined the fade, not left white.
    EXPECT_NEAR(blueEnd("DUMMY1"), ownEnd * warm.gains.b, 1.0 / 65535);

    const DisplayTarget red{1.0, {0.8, 0, 0}};
    pipeline->apply(red, 1.5);
    loop.runFor(300ms);
    ASSERT_TRUE(removeSecondMonitor());
    ASSERT_TRUE(runUntilFadeEnds());
    loop.runFor(700ms);
    EXPECT_EQ(pipeline->displays()->size(), 1u);
    EXPECT_EQ(pipeline->current().get(), red);
    EXPECT_NEAR(blueEnd("DUMMY0"), 0.0, 1.0 / 65535);
    EXPECT_NEAR(other.ramp("DUMMY0").r.back() / 65535.0, 0.8, 1.0 / 65535);

    pipeline->reset();
    EXPECT_EQ(other.ramp("DUMMY0"), RandrClient::curve(256, 1.0));
}

}  // namespace
}  // namespace vesperine::testing_x11
