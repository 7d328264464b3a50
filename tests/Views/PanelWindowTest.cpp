// The panel as an ordinary window, where no tray shows the icon.
#include <gtest/gtest.h>

#include <QTest>

#include "App/Views/PanelWindow.h"
#include "MenuWorld.h"

namespace vesperine {
namespace {

TEST(PanelWindow, SaysHowToGetTheIconOnceAndActsAsThePanel) {
    MenuWorld world;
    MenuServices& services = world.start();
    ASSERT_FALSE(services.guide.hintShown().get());
    PanelWindow window(services);
    window.open();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowType(), Qt::Window);  // not a popup: it stays when focus goes
    EXPECT_TRUE(window.trayNote()->isVisible());
    EXPECT_TRUE(window.trayNote()->text().contains("AppIndicator"));
    EXPECT_TRUE(services.guide.hintShown().get());  // never said again
    EXPECT_TRUE(world.world.logger.contains("AppIndicator", "menu"));

    window.close();
    window.open();
    EXPECT_FALSE(window.trayNote()->isVisible());
    Q_EMIT window.content()->settingsChosen();
    EXPECT_EQ(world.settingsOpened, 1);
    EXPECT_TRUE(window.isVisible());  // the settings open beside it
}

}  // namespace
}  // namespace vesperine
