#include <gtest/gtest.h>

#include <QPushButton>

#include "Input/Views/RecordedKey.h"
#include "SettingsWorld.h"

namespace vesperine {
namespace {

// Qt's key presses in the stored key codes: letters by their place, shifted symbols back to
// their key, the keypad apart, lone modifiers and keys no grab can take told apart.
TEST(RecordedKey, QtKeysBecomeStoredKeyCodes) {
    using Kind = RecordedKey::Kind;
    const Qt::KeyboardModifiers ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
    const std::tuple<int, Qt::KeyboardModifiers, Kind, std::uint32_t, const char*> cases[] = {
        {Qt::Key_B, ctrlAlt, Kind::key, 11, "b"},
        {Qt::Key_Up, ctrlAlt, Kind::key, 126, "Up"},
        {Qt::Key_Exclam, Qt::ControlModifier | Qt::ShiftModifier, Kind::key, 18, "1"},
        {Qt::Key_1, Qt::ControlModifier | Qt::KeypadModifier, Kind::key, 83, "1"},
        {Qt::Key_F5, Qt::MetaModifier, Kind::key, 96, "F5"},
        {Qt::Key_Escape, Qt::NoModifier, Kind::key, KeyEvent::escapeKeyCode, "Esc"},
        {Qt::Key_Control, Qt::ControlModifier, Kind::modifierOnly, 0, ""},
        {Qt::Key_Eacute, ctrlAlt, Kind::unknown, 0, ""},
    };
    for (const auto& [key, modifiers, kind, keyCode, characters] : cases) {
        SCOPED_TRACE(key);
        const auto recorded = RecordedKey::from(key, modifiers);
        EXPECT_EQ(recorded.kind, kind);
        if (kind != Kind::key) continue;
        EXPECT_EQ(recorded.event.keyCode, keyCode);
        EXPECT_EQ(recorded.event.characters, characters);
    }
    EXPECT_EQ(RecordedKey::from(Qt::Key_K, Qt::ControlModifier | Qt::AltModifier |
                                               Qt::ShiftModifier | Qt::MetaModifier)
                  .event.modifierFlags,
              KeyEvent::controlFlag | KeyEvent::optionFlag | KeyEvent::shiftFlag |
                  KeyEvent::commandFlag);
}

TEST_F(SettingsWindowTest, RecordingAShortcut) {
    world.start();
    HotkeyManager& hotkeys = world.services->hotkeys;
    open();
    auto* bright = find<QPushButton>(window.get(), "keys:toggleBright");
    auto* warm = find<QPushButton>(window.get(), "keys:toggleWarm");
    EXPECT_EQ(bright->text(), "Ctrl+Alt+B");

    const Qt::KeyboardModifiers ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
    const struct {
        const char* what;
        int key;
        Qt::KeyboardModifiers modifiers;
        const char* shows;    // the button afterwards
        const char* message;  // under the rows
        bool stillRecording;
    } presses[] = {
        {"a lone modifier", Qt::Key_Control, Qt::ControlModifier, "Type shortcut…", "", true},
        {"no modifier", Qt::Key_A, Qt::ShiftModifier, "Type shortcut…",
         "Hold Ctrl, Alt or Super with the key.", true},
        {"a key no grab can take", Qt::Key_Eacute, ctrlAlt, "Type shortcut…",
         "That key can't be used for a shortcut. Try another.", true},
        {"a good one", Qt::Key_K, ctrlAlt | Qt::ShiftModifier, "Ctrl+Alt+Shift+K", "", false},
    };
    click("keys:toggleBright");
    EXPECT_FALSE(hotkeys.isRegistered(HotkeyAction::toggleWarm));  // suspended while recording
    for (const auto& press : presses) {
        SCOPED_TRACE(press.what);
        QTest::keyClick(bright, static_cast<Qt::Key>(press.key), press.modifiers);
        EXPECT_EQ(bright->text(), QString::fromUtf8(press.shows));
        EXPECT_EQ(text("recordingMessage"), QString::fromUtf8(press.message));
        EXPECT_EQ(hotkeys.isRegistered(HotkeyAction::toggleWarm), !press.stillRecording);
    }
    EXPECT_EQ(hotkeys.bindings()->at(HotkeyAction::toggleBright),
              (KeyCombo{40, 0x1A00, "K"}));

    // Esc leaves the old keys; the keys of another action are taken, and both rows say so:
    // the later one cannot have them.
    click("keys:toggleWarm");
    QTest::keyClick(warm, Qt::Key_Escape);
    EXPECT_EQ(warm->text(), "Ctrl+Alt+W");
    click("keys:toggleWarm");
    QTest::keyClick(warm, Qt::Key_K, ctrlAlt | Qt::ShiftModifier);
    EXPECT_EQ(text("inUse:toggleWarm"), "In use by Vesperine for Bright on/off");
    EXPECT_TRUE(shown(find(window.get(), "inUse:toggleWarm")->parentWidget()));
    EXPECT_FALSE(shown(find(window.get(), "shared:toggleWarm")));
    EXPECT_EQ(text("shared:toggleBright"), "Same as Warm on/off");

    click("clear:toggleRed");
    EXPECT_EQ(hotkeys.bindings()->count(HotkeyAction::toggleRed), 0u);
    EXPECT_EQ(find<QPushButton>(window.get(), "keys:toggleRed")->text(), "None");
    EXPECT_FALSE(find<QAbstractButton>(window.get(), "clear:toggleRed")->isEnabled());

    // Keys another program holds.
    world.world.machine.hotkeys.setTakenElsewhere(KeyCombo::defaults().at(HotkeyAction::stepDown), true);
    EXPECT_FALSE(shown(find(window.get(), "inUse:stepDown")->parentWidget()));
    click("restoreShortcutDefaults");
    EXPECT_TRUE(shown(find(window.get(), "inUse:stepDown")->parentWidget()));
    EXPECT_EQ(text("inUse:stepDown"), "In use by another app");
    EXPECT_FALSE(shown(find(window.get(), "inUse:stepUp")->parentWidget()));
    EXPECT_FALSE(shown(find(window.get(), "shared:toggleBright")));
    // On one line where the window has room for it.
    window->tabs()->setCurrentWidget(window->tabs()->widget(window->tabs()->count() - 1));
    window->show();
    QCoreApplication::processEvents();
    auto* inUse = find<QLabel>(window.get(), "inUse:stepDown");
    EXPECT_LT(inUse->height(), 2 * inUse->fontMetrics().lineSpacing());
}

TEST_F(SettingsWindowTest, ClosingWhileRecordingGivesTheShortcutsBack) {
    world.start();
    open();
    click("keys:offOrResume");
    EXPECT_FALSE(world.services->hotkeys.isRegistered(HotkeyAction::offOrResume));
    window.reset();
    EXPECT_TRUE(world.services->hotkeys.isRegistered(HotkeyAction::offOrResume));
}

}  // namespace
}  // namespace vesperine
