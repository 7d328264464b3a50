#include "Settings/LaunchAtLogin.h"

#include <gtest/gtest.h>

#include "Platform/Simulated/SimulatedLoginItem.h"

namespace vesperine {
namespace {

TEST(LaunchAtLogin, TheSwitchShowsWhatTheSystemDidAndWhyItRefused) {
    SimulatedLoginItem item;
    item.setEnabled(true);
    LaunchAtLogin setting(item);
    EXPECT_TRUE(setting.isOn());
    item.failNextChange("it is your own");
    setting.set(false);
    EXPECT_TRUE(setting.isOn());
    EXPECT_EQ(setting.error(), "Couldn't change login item: it is your own");
    setting.set(false);
    EXPECT_FALSE(setting.isOn());
    EXPECT_FALSE(setting.error());
}

}  // namespace
}  // namespace vesperine
