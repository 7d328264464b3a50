#include "Platform/Linux/NightLight/DesktopNightLight.h"

#include <gtest/gtest.h>

#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/SimulatedColourFeature.h"
#include "Platform/Simulated/VirtualTime.h"

namespace vesperine {
namespace {

using Feature = SystemFeatureStatus;

TEST(DesktopNightLight, GoesByTheDesktopsThatAnswerAndSwitchesOffEveryOneThatIsOn) {
    struct Case {
        const char* name;
        Feature gnome, kde;
        bool kdeRefuses;
        Feature combined;
        bool switchedOff;
        int gnomeAsked, kdeAsked;
    } cases[] = {
        {"no desktop answers", Feature::unavailable, Feature::unavailable, false, Feature::unavailable,
         false, 0, 0},
        {"one on, one off", Feature::off, Feature::on, false, Feature::on, true, 0, 1},
        {"both on", Feature::on, Feature::on, false, Feature::on, true, 1, 1},
        {"both on, one refuses", Feature::on, Feature::on, true, Feature::on, false, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualTime time;
        std::vector<std::unique_ptr<SystemColourFeature>> kinds;
        auto* gnome = static_cast<SimulatedColourFeature*>(
            kinds.emplace_back(std::make_unique<SimulatedColourFeature>(time, c.gnome)).get());
        auto* kde = static_cast<SimulatedColourFeature*>(
            kinds.emplace_back(std::make_unique<SimulatedColourFeature>(time, c.kde)).get());
        kde->setRefuses(c.kdeRefuses);
        DesktopNightLight light(std::move(kinds), time);
        int told = 0;
        Handle watch = light.observe([&] { ++told; });
        EXPECT_EQ(light.status(), c.combined);
        std::optional<bool> answer;
        light.setEnabled(false, [&](bool held) { answer = held; });
        time.runDue();
        EXPECT_EQ(answer, c.switchedOff);
        EXPECT_EQ(gnome->requests(), c.gnomeAsked);
        EXPECT_EQ(kde->requests(), c.kdeAsked);
        EXPECT_EQ(told, c.gnomeAsked + (c.kdeRefuses ? 0 : c.kdeAsked));  // each change is heard
    }
    VirtualTime time;
    CapturingLogger logger;
    EXPECT_EQ(DesktopNightLight::onSessionBus(nullptr, time, logger)->status(), Feature::unavailable);
}

}  // namespace
}  // namespace vesperine
