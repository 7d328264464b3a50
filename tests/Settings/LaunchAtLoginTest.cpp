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

    item.failNextChange("\"/x.desktop\" is an autostart entry of your own; it is left as it is");
    setting.set(false);
    EXPECT_TRUE(setting.isOn());
    EXPECT_EQ(setting.error(),
              "Couldn't change login item: \"/x.desktop\" is an autostart entry "
              "of your own; it is left as it is");

    setting.set(false);
    EXPECT_FALSE(setting.isOn());
    EXPECT_FALSE(setting.error());

    item.setEnabled(true);  // switched on in the desktop's own settings
    setting.refresh();
    EXPECT_TRUE(setting.isOn());
    EXPECT_EQ(item.changes(), 2);
}

}  // namespace
}  // namespace vesperine
