#include "X11Harness.h"

namespace vesperine::testing_x11 {
namespace {

// A batch goes out whole before its answers are read: each entry must still get its own
// answer, an output that has gone must not spoil the others, and the tables must land.
TEST_F(X11DisplayFixture, BatchesAnswerEachEntryOnItsOwn) {
    ASSERT_TRUE(addSecondMonitor());
    settle(2);
    ASSERT_EQ(displays->screens().size(), 2u);
    const DisplayID gone = 0x7fff'fff0;
    const std::vector<float> ramps[] = {{0, 0.5f, 0.8f}, {0, 0.25f, 0.6f}};
    DisplayGamma::TableWrite writes[] = {
        {first, 3, ramps[0].data(), ramps[0].data(), ramps[1].data()},
        {gone, 3, ramps[0].data(), ramps[0].data(), ramps[0].data()},
        {second, 3, ramps[1].data(), ramps[1].data(), ramps[0].data()},
        {first, 1, ramps[0].data(), ramps[0].data(), ramps[0].data()},
    };
    displays->writeTables(writes);
    EXPECT_EQ(writes[0].result, 0);
    EXPECT_EQ(writes[1].result, X11Displays::noSuchDisplay);
    EXPECT_EQ(writes[2].result, 0);
    EXPECT_EQ(writes[3].result, X11Displays::unusableGammaSize);
    EXPECT_NEAR(other.ramp("DUMMY0").b.back(), 0.6 * 65535, 1);
    EXPECT_NEAR(other.ramp("DUMMY1").b.back(), 0.8 * 65535, 1);

    std::vector<float> r[3], g[3], b[3];
    DisplayGamma::TableRead reads[3];
    const DisplayID ids[] = {second, gone, first};
    for (int i = 0; i < 3; ++i) {
        r[i].assign(16, -1), g[i].assign(16, -1), b[i].assign(16, -1);
        reads[i] = {ids[i], 16, r[i].data(), g[i].data(), b[i].data()};
    }
    displays->readTables(reads);
    EXPECT_EQ(reads[0].result, 0);
    EXPECT_EQ(reads[0].count, 16u);
    EXPECT_NEAR(b[0].back(), 0.8, 1e-4);
    EXPECT_NEAR(r[0][15], 0.6, 1e-4);
    EXPECT_EQ(reads[1].result, X11Displays::noSuchDisplay);
    EXPECT_EQ(reads[1].count, 0u);
    EXPECT_NEAR(b[2].back(), 0.6, 1e-4);

    // A restore gives both their own ramps back, from the outputs already listed.
    displays->restoreAll();
    const auto own = other.ramp("DUMMY0").b;
    ASSERT_EQ(own.size(), 256u);
    EXPECT_EQ(own[128], 32896);  // 128 / 255 of the identity
    EXPECT_EQ(own.back(), 65535);
}

}  // namespace
}  // namespace vesperine::testing_x11
