#include "X11Harness.h"

#include "Color/Kelvin.h"
#include "Display/DisplayMonitor.h"
#include "Display/DisplayPipeline.h"
#include "Platform/Simulated/SimulatedSystemEvents.h"
#include "Platform/X11/X11EDRSurfaces.h"

namespace vesperine::testing_x11 {
namespace {

// The whole display output on the real server: monitor, pipeline and gamma, on the loop.
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
    // Waits for the fade to end and for the monitor's events to settle on `outputs`.
    void fadeEndsOn(std::size_t outputs) {
        ASSERT_TRUE(spin([this] { return !pipeline->isFading(); }, 10s));
        spinFor(700ms);  // past the debounce: a (wrong) reconfiguration would have come
        spin([&] { return pipeline->displays()->size() == outputs && !pipeline->isFading(); });
        EXPECT_EQ(pipeline->displays()->size(), outputs);
    }
    double blueEnd(const char* output) const { return end(other.ramp(output).b); }

    SimulatedSystemEvents systemEvents;
    X11EDRSurfaces surfaces;
    std::unique_ptr<DisplayMonitor> monitor;
    std::unique_ptr<DisplayPipeline> pipeline;
    int reconfigurations = 0;
};

// Our own ramp writes must not come back as reconfigurations, or every frame would make the
// pipeline restore and re-read the tables; monitors added and removed mid-fade do, and end on
// the target.
TEST_F(X11PipelineTest, OnlyMonitorsComingAndGoingAreReconfigurationsAndFadesEndOnTheTarget) {
    pipeline->apply({1.0, Kelvin::gains(2700)}, 1.0);
    fadeEndsOn(1);
    EXPECT_EQ(reconfigurations, 0);
    EXPECT_NEAR(blueEnd("DUMMY0"), Kelvin::gains(2700).b, 1.0 / 65535);

    const DisplayTarget warm{1.0, Kelvin::gains(3000)};
    pipeline->apply(warm, 1.5);
    spinFor(300ms);
    ASSERT_TRUE(addSecondMonitor());
    // The server's own ramp of a new CRTC, before we hear of it.
    const double ownEnd = blueEnd("DUMMY1");
    fadeEndsOn(2);
    EXPECT_GE(reconfigurations, 1);
    EXPECT_NEAR(blueEnd("DUMMY0"), warm.gains.b, 1.0 / 65535);
    // Joined the fade, not left white.
    EXPECT_NEAR(blueEnd("DUMMY1"), ownEnd * warm.gains.b, 1.0 / 65535);

    const DisplayTarget red{1.0, {0.8, 0, 0}};
    pipeline->apply(red, 1.5);
    spinFor(300ms);
    ASSERT_TRUE(removeSecondMonitor());
    fadeEndsOn(1);
    EXPECT_EQ(pipeline->current().get(), red);
    EXPECT_NEAR(blueEnd("DUMMY0"), 0.0, 1.0 / 65535);
    EXPECT_NEAR(other.ramp("DUMMY0").r.back() / 65535.0, 0.8, 1.0 / 65535);

    pipeline->reset();
    EXPECT_EQ(other.ramp("DUMMY0"), identity);
}

}  // namespace
}  // namespace vesperine::testing_x11
