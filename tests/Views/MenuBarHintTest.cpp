// The hint that points at the tray icon, over the real guide in virtual time.
#include "Support/Views/Emphasis.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "Guide/Views/MenuBarHint.h"
#include "ViewWorld.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;

class MenuBarHintTest : public testing::Test {
protected:
    MenuBarHintTest() {
        world.start();
        hint = std::make_unique<MenuBarHint>(world.services->guide, world.world.machine.time,
                                             [this] { return icon; });
    }
    Guide& guide() { return world.services->guide; }

    MenuWorld world;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    std::optional<QRect> icon = QRect(screen.right() - 100, screen.top(), 24, 24);
    std::unique_ptr<MenuBarHint> hint;
};

// Each way it ends marks it shown, and it does not come back.
TEST_F(MenuBarHintTest, GoesForGoodAfter30SecondsItsCloseButtonOrTheMenu) {
    const struct {
        const char* what;
        std::function<void()> end;
    } cases[] = {
        {"30 s", [this] { world.world.machine.time.advance(1ns); }},
        {"close",
         [this] {
             QTest::mouseClick(find<QAbstractButton>(hint->bubble(), "hintClose"), Qt::LeftButton);
         }},
        {"the menu opened", [this] { guide().menuOpened(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        world.world.machine.defaults.remove(Guide::hintShownKey);
        guide().start(world.services->state, true);  // the tips start over
        hint->show();
        world.world.machine.time.advance(MenuBarHint::timeout - 1ns);
        ASSERT_NE(hint->bubble(), nullptr);
        c.end();
        EXPECT_EQ(hint->bubble(), nullptr);
        EXPECT_TRUE(world.world.machine.defaults.boolean(Guide::hintShownKey));
        hint->show();
        EXPECT_EQ(hint->bubble(), nullptr);
    }
}

TEST(Emphasis, MarkedWordsTurnBoldAndNothingElseBecomesMarkup) {
    const struct {
        const char* text;
        const char* html;
    } cases[] = {
        {"**Bright** boosts", "<b>Bright</b> boosts"},
        {"a **b** c **d**", "a <b>b</b> c <b>d</b>"},
        {"Ctrl+Alt+0 **", "Ctrl+Alt+0 **"},  // no partner: as written
        {"<i>not</i> & **<b>**", "&lt;i&gt;not&lt;/i&gt; &amp; <b>&lt;b&gt;</b>"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Emphasis::html(c.text).toStdString(), c.html) << c.text;
}

}  // namespace
}  // namespace vesperine
