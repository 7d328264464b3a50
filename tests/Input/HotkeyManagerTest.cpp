#include "Input/HotkeyManager.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/MemoryDefaultsStore.h"
#include "Platform/Simulated/SimulatedHotkeys.h"

namespace vesperine {
namespace {

const KeyCombo controlOptionB{11, 0x1800, "B"};
const KeyCombo controlOption0{29, 0x1800, "0"};

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

TEST_F(HotkeyManagerTest, RegistersTheDefaultsOnlyBetweenStartAndItsEnd) {
    HotkeyManager(defaults, service, logger);
    EXPECT_EQ(service.attempts(), 0u);
    launch();
    for (const auto& r : service.registrations())
        EXPECT_EQ(KeyCombo::defaults().at(*hotkeyActionAt(r.id.id)), r.combo);
    EXPECT_EQ(registeredIds(), (std::set<std::uint32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_TRUE(service.press(controlOption0));
    for (std::uint32_t id : {6u, 0xFFFFFFFFu}) service.pressId({0, id});  // no action's
    EXPECT_EQ(fired, std::vector{HotkeyAction::offOrResume});
    manager.reset();
    EXPECT_TRUE(service.registrations().empty());
    EXPECT_FALSE(service.hasHandler());
}

TEST_F(HotkeyManagerTest, StoredBindingsDecideWhatIsBoundAndChangesLast) {
    const std::set<HotkeyAction> all{std::begin(allHotkeyActions), std::end(allHotkeyActions)};
    const std::pair<std::optional<std::string>, std::set<HotkeyAction>> cases[] = {
        {std::nullopt, all},
        {"hotkeys!", all},  // undecodable: the defaults, without a word
        {"[]", {}},
        {R"(["toggleRed",{"keyCode":15,"modifiers":6144,"key":"R"}])", {HotkeyAction::toggleRed}},
    };
    for (const auto& [stored, bound] : cases) {
        SCOPED_TRACE(stored.value_or("nothing"));
        defaults.remove("hotkeys");
        if (stored) defaults.setData("hotkeys", *stored);
        launch();
        std::set<HotkeyAction> actions;
        for (const auto& [action, _] : manager->bindings().get()) actions.insert(action);
        EXPECT_EQ(actions, bound);
        EXPECT_EQ(registeredIds().size(), bound.size());
        EXPECT_TRUE(logger.lines().empty());
    }
    launch().restoreDefaults();
    manager->set(std::nullopt, HotkeyAction::toggleRed);
    launch();
    EXPECT_EQ(registeredIds(), (std::set<std::uint32_t>{0, 1, 2, 3, 5}));  // cleared stays so
    // The setter saves, and registers nothing until asked.
    const auto attempts = service.attempts();
    manager->setBindings({{HotkeyAction::stepUp, controlOptionB}});
    EXPECT_EQ(service.attempts(), attempts);
    launch();
    EXPECT_EQ(manager->bindings().get(), (HotkeyBindings{{HotkeyAction::stepUp, controlOptionB}}));
}

TEST_F(HotkeyManagerTest, RefusedRegistrationsBecomeConflictsAndTheOthersWork) {
    using Change = std::optional<std::pair<HotkeyAction, KeyCombo>>;
    using Holder = std::optional<HotkeyAction>;  // of ours, holding the keys refused
    // The log names keys and actions as the Shortcuts tab does.
    const std::tuple<const char*, Change, std::optional<KeyCombo>, HotkeyAction, Holder,
                     const char*>
        cases[] = {
            {"taken by another program", {}, controlOptionB, HotkeyAction::toggleBright, {},
             "Hot key Ctrl+Alt+B for \"Bright on/off\" is not available: Ctrl+Alt+B is held "
             "by another program."},
            {"the same combination twice: the later action loses",
             {{HotkeyAction::toggleWarm, controlOptionB}}, {}, HotkeyAction::toggleWarm,
             HotkeyAction::toggleBright, "Hot key Ctrl+Alt+B for \"Warm on/off\" is not available"},
            {"a different label does not make it different",
             {{HotkeyAction::stepUp, {11, 0x1800, "b"}}}, {}, HotkeyAction::stepUp,
             HotkeyAction::toggleBright,
             "Hot key Ctrl+Alt+b for \"Boost or warmth up\" is not available"},
            {"twice, and taken by another program", {{HotkeyAction::toggleWarm, controlOptionB}},
             controlOptionB, HotkeyAction::toggleBright, {},
             "Hot key Ctrl+Alt+B for \"Bright on/off\" is not available"},
        };
    for (const auto& [name, change, takenElsewhere, conflict, holder, logged] : cases) {
        SCOPED_TRACE(name);
        SimulatedHotkeys fresh;
        MemoryDefaultsStore store;
        if (takenElsewhere) fresh.setTakenElsewhere(*takenElsewhere, true);
        HotkeyManager hotkeys(store, fresh, logger);
        std::vector<HotkeyAction> heard;
        hotkeys.onAction = [&](HotkeyAction a) { heard.push_back(a); };
        hotkeys.start();
        if (change) hotkeys.set(change->second, change->first);
        const auto& refused = hotkeys.conflicts().get();
        EXPECT_TRUE(refused.count(conflict));
        EXPECT_EQ(heldBy(hotkeys.bindings().get(), refused, conflict), holder);
        EXPECT_TRUE(logger.contains(logged, "hotkeys")) << logger.lines().back().message;
        if (!holder && change) continue;  // both refused: the rest is the first case's
        EXPECT_EQ(refused, std::set{conflict});
        EXPECT_EQ(fresh.registrations().size(), 5u);
        EXPECT_TRUE(fresh.press(KeyCombo::defaults().at(HotkeyAction::stepDown)));
        EXPECT_EQ(heard, std::vector{HotkeyAction::stepDown});
    }
}

}  // namespace
}  // namespace vesperine
