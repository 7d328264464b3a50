#include "Input/HotkeyManager.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Input/ShortcutRecorder.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/MemoryDefaultsStore.h"
#include "Platform/Simulated/SimulatedHotkeys.h"

namespace vesperine {
namespace {

const KeyCombo controlOptionB{11, 0x1800, "B"};
const KeyCombo controlOption0{29, 0x1800, "0"};
const KeyCombo controlOptionR{15, 0x1800, "R"};

class HotkeyManagerTest : public ::testing::Test {
protected:
    // A fresh manager on the same defaults and service, as after a restart.
    HotkeyManager& launch() {
        manager.reset();
        manager = std::make_unique<HotkeyManager>(defaults, service, logger);
        manager->onAction = [this](HotkeyAction action) { fired.push_back(action); };
        manager->start();
        return *manager;
    }
    std::set<std::uint32_t> registeredIds() const {
        std::set<std::uint32_t> ids;
        for (const auto& r : service.registrations()) ids.insert(r.id.id);
        return ids;
    }

    MemoryDefaultsStore defaults;
    SimulatedHotkeys service;
    CapturingLogger logger;
    std::unique_ptr<HotkeyManager> manager;
    std::vector<HotkeyAction> fired;
};

TEST_F(HotkeyManagerTest, FirstStartRegistersTheSixDefaults) {
    launch();
    for (const auto& r : service.registrations())
        EXPECT_EQ(KeyCombo::defaults().at(*hotkeyActionAt(r.id.id)), r.combo);
    EXPECT_EQ(registeredIds(), (std::set<std::uint32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_TRUE(manager->conflicts()->empty());
    EXPECT_TRUE(service.press(controlOption0));
    EXPECT_EQ(fired, std::vector{HotkeyAction::offOrResume});
    for (std::uint32_t id : {6u, 1000u, 0xFFFFFFFFu}) service.pressId({0, id});  // no action's
    EXPECT_EQ(fired, std::vector{HotkeyAction::offOrResume});
}

TEST_F(HotkeyManagerTest, RegistersOnlyBetweenStartAndItsEnd) {
    {
        HotkeyManager idle(defaults, service, logger);
        EXPECT_EQ(service.attempts(), 0u);
        EXPECT_FALSE(service.hasHandler());
    }
    launch();
    manager.reset();
    EXPECT_TRUE(service.registrations().empty());
    EXPECT_FALSE(service.hasHandler());
}

TEST_F(HotkeyManagerTest, StoredBindingsDecideWhatIsBound) {
    const std::set<HotkeyAction> all{std::begin(allHotkeyActions), std::end(allHotkeyActions)};
    struct Case {
        const char* name;
        std::optional<std::string> stored;
        std::set<HotkeyAction> bound;
    } cases[] = {
        {"nothing stored: defaults", std::nullopt, all},
        {"undecodable: defaults", "[\"toggleBright\"]", all},
        {"not JSON: defaults", "hotkeys!", all},
        {"empty array: nothing bound", "[]", {}},
        {"one binding", R"(["toggleRed",{"keyCode":15,"modifiers":6144,"key":"R"}])",
         {HotkeyAction::toggleRed}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        defaults.remove("hotkeys");
        if (c.stored) defaults.setData("hotkeys", *c.stored);
        launch();
        std::set<HotkeyAction> bound;
        for (const auto& [action, _] : manager->bindings().get()) bound.insert(action);
        EXPECT_EQ(bound, c.bound);
        EXPECT_EQ(registeredIds().size(), c.bound.size());
        EXPECT_TRUE(logger.lines().empty());  // bad data falls back without a message
    }
}

TEST_F(HotkeyManagerTest, ClearedBindingStaysClearedAcrossRestarts) {
    launch();
    manager->set(std::nullopt, HotkeyAction::toggleRed);
    EXPECT_FALSE(service.press(controlOptionR));
    launch();
    EXPECT_EQ(manager->bindings()->count(HotkeyAction::toggleRed), 0u);
    EXPECT_EQ(registeredIds(), (std::set<std::uint32_t>{0, 1, 2, 3, 5}));

    manager->restoreDefaults();
    EXPECT_EQ(registeredIds().size(), 6u);
    launch();
    EXPECT_EQ(manager->bindings().get(), KeyCombo::defaults());
    // The setter saves, and registers nothing until asked.
    const auto attempts = service.attempts();
    manager->setBindings({{HotkeyAction::stepUp, controlOptionB}});
    EXPECT_EQ(service.attempts(), attempts);
    launch();
    EXPECT_EQ(manager->bindings().get(), (HotkeyBindings{{HotkeyAction::stepUp, controlOptionB}}));
}

TEST_F(HotkeyManagerTest, RefusedRegistrationsBecomeConflicts) {
    struct Case {
        const char* name;
        std::vector<std::pair<HotkeyAction, KeyCombo>> changes;
        std::vector<KeyCombo> takenElsewhere;
        std::set<HotkeyAction> conflicts;
    } cases[] = {
        {"taken by another program", {}, {controlOptionB}, {HotkeyAction::toggleBright}},
        {"two taken", {}, {controlOptionB, controlOption0},
         {HotkeyAction::toggleBright, HotkeyAction::offOrResume}},
        {"the same combination twice: the later action loses",
         {{HotkeyAction::toggleWarm, controlOptionB}}, {}, {HotkeyAction::toggleWarm}},
        {"a different label does not make it different",
         {{HotkeyAction::stepUp, {11, 0x1800, "b"}}}, {}, {HotkeyAction::stepUp}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedHotkeys fresh;
        MemoryDefaultsStore store;
        for (const auto& combo : c.takenElsewhere) fresh.setTakenElsewhere(combo, true);
        HotkeyManager hotkeys(store, fresh, logger);
        std::vector<HotkeyAction> heard;
        hotkeys.onAction = [&](HotkeyAction a) { heard.push_back(a); };
        hotkeys.start();
        for (const auto& [action, combo] : c.changes) hotkeys.set(combo, action);
        EXPECT_EQ(hotkeys.conflicts().get(), c.conflicts);
        EXPECT_EQ(fresh.registrations().size(), 6 - c.conflicts.size());
        EXPECT_TRUE(fresh.press(KeyCombo::defaults().at(HotkeyAction::stepDown)));  // the others work
        EXPECT_EQ(heard, std::vector{HotkeyAction::stepDown});
    }
}

TEST_F(HotkeyManagerTest, RecordingAShortcut) {
    const auto command = KeyEvent::commandFlag, shift = KeyEvent::shiftFlag;
    struct Case {
        const char* name;
        std::vector<KeyEvent> keys;
        KeyCombo toggleWarmAfter;
        bool stillRecording;
    } cases[] = {
        {"Esc keeps the old binding", {{53, 0, ""}}, KeyCombo{13, 0x1800, "W"}, false},
        {"shift only is ignored, recording goes on", {{0, shift, "a"}}, KeyCombo{13, 0x1800, "W"},
         true},
        {"command shift A after an ignored key", {{0, shift, "a"}, {0, command | shift, "a"}},
         KeyCombo{0, 0x300, "A"}, false},
        {"an existing shortcut is not refused here",
         {{11, KeyEvent::controlFlag | KeyEvent::optionFlag, "b"}}, controlOptionB, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        defaults.remove("hotkeys");
        launch();
        fired.clear();
        {
            ShortcutRecorder recorder(*manager);
            recorder.begin(HotkeyAction::toggleWarm);
            EXPECT_TRUE(service.registrations().empty());
            EXPECT_FALSE(service.press(controlOption0));  // suspended: pressing does not fire
            for (const auto& key : c.keys) EXPECT_TRUE(recorder.handleKeyDown(key));
            EXPECT_EQ(recorder.recording().get().has_value(), c.stillRecording);
            EXPECT_EQ(manager->bindings()->at(HotkeyAction::toggleWarm), c.toggleWarmAfter);
            // Once done, keys are no longer swallowed.
            EXPECT_EQ(recorder.handleKeyDown({53, 0, ""}), c.stillRecording);
        }
        // Done, or the recorder gone mid-recording: the shortcuts are back.
        EXPECT_EQ(service.registrations().size(), c.toggleWarmAfter == controlOptionB ? 5u : 6u);
        EXPECT_TRUE(service.press(controlOption0));
        EXPECT_EQ(fired, std::vector{HotkeyAction::offOrResume});
    }
}

}  // namespace
}  // namespace vesperine
