#include "X11Harness.h"

#include "Input/HotkeyManager.h"
#include "Platform/Simulated/MemoryDefaultsStore.h"
#include "Platform/X11/X11HotkeyService.h"

namespace vesperine::testing_x11 {
namespace {

// Another program on the test server: it holds key grabs of its own and types through XTest,
// as a user at a real keyboard would.
class Rival : public XClient {
public:
    KeyCode key(KeySym keysym) const { return XKeysymToKeycode(display(), keysym); }

    // The modifier bit Num Lock sits on (mod2 on the usual maps), 0 when none.
    unsigned int numLockMask() const { return XkbKeysymToModifiers(display(), XK_Num_Lock); }
    // Tries the passive grab another program would make; gives the X error code (0: granted).
    // A `tryGrab` lets go at once of a grab it was granted.
    int grab(KeyCode keycode, unsigned int modifiers) {
        X11ErrorTrap trap(display());
        XGrabKey(display(), keycode, modifiers, root(), False, GrabModeAsync, GrabModeAsync);
        (void)trap.check();
        return trap.firstErrorCode();
    }
    int tryGrab(KeyCode keycode, unsigned int modifiers) {
        const int error = grab(keycode, modifiers);
        if (error == 0) ungrab(keycode, modifiers);
        return error;
    }
    void ungrab(KeyCode keycode, unsigned int modifiers) {
        XUngrabKey(display(), keycode, modifiers, root());
        XSync(display(), False);
    }
    void fake(KeyCode keycode, bool down) {
        XTestFakeKeyEvent(display(), keycode, down, CurrentTime);
        XSync(display(), False);
    }
    // Holds `held` down in order, presses and releases `keycode`, lets go of `held`.
    void type(const std::vector<KeySym>& held, KeyCode keycode) {
        for (auto k : held) fake(key(k), true);
        fake(keycode, true);
        fake(keycode, false);
        for (auto it = held.rbegin(); it != held.rend(); ++it) fake(key(*it), false);
    }
    unsigned int lockedModifiers() const {
        XkbStateRec state{};
        XkbGetState(display(), XkbUseCoreKbd, &state);
        return state.locked_mods;
    }
    // Switches the lock on `mask` (LockMask, or Num Lock's bit) to `on`.
    void setLock(KeySym lockKey, unsigned int mask, bool on) {
        if (((lockedModifiers() & mask) != 0) == on) return;
        fake(key(lockKey), true);
        fake(key(lockKey), false);
    }
};

const std::vector<KeySym> controlOption{XK_Control_L, XK_Alt_L};
constexpr unsigned int controlOptionMask = ControlMask | Mod1Mask;

class X11HotkeyServiceTest : public X11Test<Rival> {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (HasFatalFailure()) return;
        service = std::make_unique<X11HotkeyService>(*connection, logger);
        manager = std::make_unique<HotkeyManager>(defaults, *service, logger);
        manager->onAction = [this](HotkeyAction action) { fired.push_back(action); };
        numLock = rival.numLockMask();
        ASSERT_NE(numLock, 0u) << "the test keyboard has no Num Lock";
        lockVariants = {0, LockMask, numLock, LockMask | numLock};
    }
    void TearDown() override {
        if (!rival.display()) return;
        rival.setLock(XK_Caps_Lock, LockMask, false);
        rival.setLock(XK_Num_Lock, numLock, false);
        manager.reset();
        service.reset();
        connection.reset();
    }
    // Types the combination and waits for the action it should fire (or for the time to pass).
    std::vector<HotkeyAction> typeAndCollect(const std::vector<KeySym>& held, KeySym key,
                                             std::size_t expected = 1) {
        fired.clear();
        rival.type(held, rival.key(key));
        spin([&] { return fired.size() >= expected; });
        spinFor(50ms);  // anything more that would (wrongly) arrive
        return fired;
    }

    Rival& rival = other;
    MemoryDefaultsStore defaults;
    std::unique_ptr<X11HotkeyService> service;
    std::unique_ptr<HotkeyManager> manager;
    std::vector<HotkeyAction> fired;
    unsigned int numLock = 0;
    std::vector<unsigned int> lockVariants;
};

TEST_F(X11HotkeyServiceTest, GrabsEveryLockVariantOnTheRootUntilUnregistered) {
    manager->start();
    ASSERT_TRUE(manager->conflicts()->empty());
    const KeyCode b = rival.key(XK_b);
    for (auto locks : lockVariants)
        EXPECT_EQ(rival.grab(b, controlOptionMask | locks), BadAccess) << locks;
    EXPECT_EQ(rival.tryGrab(b, ControlMask), 0);  // only the combination itself is ours

    manager->set(std::nullopt, HotkeyAction::toggleBright);
    for (auto locks : lockVariants)
        EXPECT_EQ(rival.tryGrab(b, controlOptionMask | locks), 0) << locks;
    // The service gives back whatever is left when it ends.
    const KeyCode w = rival.key(XK_w);
    EXPECT_EQ(rival.grab(w, controlOptionMask), BadAccess);
    manager.reset();
    service.reset();
    EXPECT_EQ(rival.tryGrab(w, controlOptionMask | LockMask | numLock), 0);
}

TEST_F(X11HotkeyServiceTest, APressFiresItsActionOnceWhateverLockIsOn) {
    manager->start();
    XKeyboardState keyboard{};
    XGetKeyboardControl(rival.display(), &keyboard);
    ASSERT_TRUE(keyboard.global_auto_repeat) << "the server would not repeat a held key";
    for (auto k : controlOption) rival.fake(rival.key(k), true);
    rival.fake(rival.key(XK_b), true);
    spinFor(1200ms);  // past the repeat delay: the server repeats the key meanwhile
    rival.fake(rival.key(XK_b), false);
    for (auto k : controlOption) rival.fake(rival.key(k), false);
    EXPECT_EQ(fired, std::vector{HotkeyAction::toggleBright});
    const std::tuple<const char*, bool, bool> cases[] = {  // Caps Lock, Num Lock
        {"no lock", false, false}, {"Caps Lock", true, false}, {"Num Lock", false, true},
        {"both", true, true}};
    for (const auto& [name, caps, num] : cases) {
        SCOPED_TRACE(name);
        rival.setLock(XK_Caps_Lock, LockMask, caps);
        rival.setLock(XK_Num_Lock, numLock, num);
        ASSERT_EQ(rival.lockedModifiers() & (LockMask | numLock),
                  (caps ? LockMask : 0u) | (num ? numLock : 0u));
        EXPECT_EQ(typeAndCollect(controlOption, XK_b), std::vector{HotkeyAction::toggleBright});
        // Other modifiers make another combination, which is not ours.
        EXPECT_TRUE(typeAndCollect({XK_Control_L}, XK_b, 0).empty());
        EXPECT_TRUE(typeAndCollect({XK_Control_L, XK_Alt_L, XK_Shift_L}, XK_b, 0).empty());
    }
    // Shift and command (Super) map to their own bits.
    manager->set(KeyCombo{11, KeyCombo::commandMask | KeyCombo::shiftMask, "B"},
                 HotkeyAction::toggleRed);
    EXPECT_EQ(typeAndCollect({XK_Super_L, XK_Shift_L}, XK_b), std::vector{HotkeyAction::toggleRed});
}

TEST_F(X11HotkeyServiceTest, ACombinationAnotherClientHoldsIsAConflictAndTheRestWork) {
    const KeyCode w = rival.key(XK_w), r = rival.key(XK_r);
    // One program holds ⌃⌥W outright; another only its Caps Lock variant of ⌃⌥R.
    ASSERT_EQ(rival.grab(w, controlOptionMask), 0);
    ASSERT_EQ(rival.grab(r, controlOptionMask | LockMask), 0);
    manager->start();
    EXPECT_EQ(manager->conflicts().get(),
              (std::set{HotkeyAction::toggleWarm, HotkeyAction::toggleRed}));
    EXPECT_FALSE(manager->isRegistered(HotkeyAction::toggleRed));
    EXPECT_TRUE(manager->isRegistered(HotkeyAction::toggleBright));
    EXPECT_EQ(typeAndCollect(controlOption, XK_b), std::vector{HotkeyAction::toggleBright});
    EXPECT_TRUE(typeAndCollect(controlOption, XK_w, 0).empty());

    // The refused registration kept none of the variants it was granted.
    for (auto locks : {0u, numLock, LockMask | numLock})
        EXPECT_EQ(rival.tryGrab(r, controlOptionMask | locks), 0) << locks;

    // Once the other program lets go, registering again takes it.
    rival.ungrab(w, controlOptionMask);
    rival.ungrab(r, controlOptionMask | LockMask);
    manager->registerAll();
    EXPECT_TRUE(manager->conflicts()->empty());
    EXPECT_EQ(typeAndCollect(controlOption, XK_w), std::vector{HotkeyAction::toggleWarm});

    // A combination bound to two actions: X would let us grab it twice, so the service must
    // refuse the second itself, and must not release the first's grab in doing so.
    manager->set(KeyCombo{11, 0x1800, "B"}, HotkeyAction::toggleWarm);
    EXPECT_EQ(manager->conflicts().get(), std::set{HotkeyAction::toggleWarm});
    EXPECT_EQ(typeAndCollect(controlOption, XK_b), std::vector{HotkeyAction::toggleBright});
    EXPECT_EQ(rival.grab(rival.key(XK_b), controlOptionMask), BadAccess);
}

TEST_F(X11HotkeyServiceTest, StoredCombinationsWithNoKeyHereFailToRegister) {
    const std::pair<const char*, KeyCombo> cases[] = {
        {"key code with no X11 key", KeyCombo{10, 0x1800, "§"}},
        {"key code far out of range", KeyCombo{0xFFFFFFFF, 0x1800, "?"}},
        {"modifier bit with no X11 counterpart", KeyCombo{11, 0x1800 | 0x10000, "B"}},
    };
    manager->start();
    for (const auto& [name, combo] : cases) {
        SCOPED_TRACE(name);
        manager->set(combo, HotkeyAction::toggleWarm);
        EXPECT_EQ(manager->conflicts().get(), std::set{HotkeyAction::toggleWarm});
        EXPECT_EQ(typeAndCollect(controlOption, XK_b), std::vector{HotkeyAction::toggleBright});
    }
}

}  // namespace
}  // namespace vesperine::testing_x11
