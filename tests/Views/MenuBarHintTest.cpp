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

TEST_F(MenuBarHintTest, PointsAtTheIconFromBelowOrAbove) {
    for (bool bottom : {false, true}) {
        SCOPED_TRACE(bottom ? "a panel at the bottom" : "a panel at the top");
        icon = QRect(screen.right() - 100, bottom ? screen.bottom() - 24 : screen.top(), 24, 24);
        hint->show();
        HintBubble* bubble = hint->bubble();
        ASSERT_NE(bubble, nullptr);
        EXPECT_TRUE(bubble->isVisible());
        EXPECT_EQ(bubble->shape().arrowUp, !bottom);
        EXPECT_EQ(bubble->x() + bubble->shape().arrowX, icon->x() + icon->width() / 2);
        EXPECT_TRUE(bottom ? bubble->geometry().bottom() < icon->top()
                           : bubble->y() > icon->bottom());
        hint->dismiss(false);
        EXPECT_FALSE(guide().hintShown().get());
    }
    icon.reset();  // a tray that does not say where the icon is
    hint->show();
    EXPECT_EQ(hint->bubble(), nullptr);
}

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
        {"**a** and ** alone", "<b>a</b> and ** alone"},
        {"<i>not</i> & **<b>**", "&lt;i&gt;not&lt;/i&gt; &amp; <b>&lt;b&gt;</b>"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Emphasis::html(c.text).toStdString(), c.html) << c.text;
}

}  // namespace
}  // namespace vesperine
