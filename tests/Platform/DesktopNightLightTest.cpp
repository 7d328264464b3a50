#include "Platform/Linux/DesktopNightLight.h"

#include <gtest/gtest.h>

#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/SimulatedColourFeature.h"
#include "Platform/Simulated/VirtualTime.h"

namespace vesperine {
namespace {

using Status = SystemFeatureStatus;

TEST(DesktopNightLight, GoesByTheDesktopsThatAnswer) {
    struct Case {
        const char* name;
        Status gnome, kde;
        Status combined;
        std::optional<bool> switchedOff;  // the answer to turning it off
        int gnomeAsked, kdeAsked;
    } cases[] = {
        {"no desktop answers", Status::unavailable, Status::unavailable, Status::unavailable,
         false, 0, 0},
        {"GNOME's, off", Status::off, Status::unavailable, Status::off, true, 0, 0},
        {"KDE's, on", Status::unavailable, Status::on, Status::on, true, 0, 1},
        {"one on, one off", Status::off, Status::on, Status::on, true, 0, 1},
        {"both on", Status::on, Status::on, Status::on, true, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualTime time;
        auto gnome = std::make_unique<SimulatedColourFeature>(time, c.gnome);
        auto kde = std::make_unique<SimulatedColourFeature>(time, c.kde);
        auto *g = gnome.get(), *k = kde.get();
        std::vector<std::unique_ptr<SystemColourFeature>> kinds;
        kinds.push_back(std::move(gnome));
        kinds.push_back(std::move(kde));
        DesktopNightLight light(std::move(kinds), time);
        EXPECT_EQ(light.status(), c.combined);
        std::optional<bool> answer;
        light.setEnabled(false, [&](bool held) { answer = held; });
        time.runDue();
        EXPECT_EQ(answer, c.switchedOff);
        EXPECT_EQ(g->requests(), c.gnomeAsked);
        EXPECT_EQ(k->requests(), c.kdeAsked);
    }
}

TEST(DesktopNightLight, ARefusalIsReportedAndChangesAreHeard) {
    VirtualTime time;
    auto gnome = std::make_unique<SimulatedColourFeature>(time, Status::on);
    auto kde = std::make_unique<SimulatedColourFeature>(time, Status::on);
    auto *g = gnome.get();
    kde->setRefuses(true);
    std::vector<std::unique_ptr<SystemColourFeature>> kinds;
    kinds.push_back(std::move(gnome));
    kinds.push_back(std::move(kde));
    DesktopNightLight light(std::move(kinds), time);
    int told = 0;
    Handle watch = light.observe([&] { ++told; });
    std::optional<bool> answer;
    light.setEnabled(false, [&](bool held) { answer = held; });
    time.runDue();
    EXPECT_EQ(answer, false);
    EXPECT_EQ(light.status(), Status::on);
    EXPECT_EQ(told, 1);  // GNOME's went off
    g->setStatus(Status::unavailable);
    EXPECT_EQ(told, 2);
}

TEST(DesktopNightLight, WithoutASessionBusItIsUnavailableAtOnce) {
    VirtualTime time;
    CapturingLogger logger;
    auto light = DesktopNightLight::onSessionBus(nullptr, time, logger);
    EXPECT_EQ(light->status(), Status::unavailable);
    EXPECT_TRUE(logger.lines().empty());
}

}  // namespace
}  // namespace vesperine
