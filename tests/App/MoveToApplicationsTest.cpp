#include "App/MoveToApplications.h"

#include <gtest/gtest.h>

#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/SimulatedAlerts.h"
#include "Platform/Simulated/SimulatedInstaller.h"
#include "Platform/Simulated/SimulatedRelaunch.h"

namespace vesperine {
namespace {

using L = MoveToApplications::Location;

TEST(MoveToApplications, ClassifiesByTheFirstRuleThatMatches) {
    const std::tuple<const char*, const char*, L> cases[] = {
        {"/usr/bin/v", "/home/alex", L::inApplications},
        {"/home/alex/.local/bin/v", "/home/alex", L::inApplications},
        {"/home/alex/Applications/V.AppImage", "/home/alex/", L::inApplications},
        {"/media/alex/home/.local/bin/v", "/media/alex/home", L::inApplications},
        {"/media/alex/USB/v", "/home/alex", L::movable},
        {"/tmp/.mount_VespXy/usr/bin/v", "/home/alex", L::movable},
        {"/home/alex/Downloads/v", "/home/alex", L::movable},
        {"/home/alex/Desktop/V.AppImage", "/home/alex//", L::movable},
        {"/Downloads/v", "/", L::movable},
        {"/Downloads/v", "", L::elsewhere},
        {"/home/alex/Downloads", "/home/alex", L::elsewhere},
        {"/home/alex/Downloadsx/v", "/home/alex", L::elsewhere},
        {"/home/bob/Downloads/v", "/home/alex", L::elsewhere},
        {"/usrlocal/v", "/home/alex", L::elsewhere},
    };
    for (const auto& [path, home, location] : cases) {
        EXPECT_EQ(MoveToApplications::classify(path, home), location) << path;
    }
    // A build never asks, wherever it lies; the user's own download folder counts.
    const Installer::Places places{
        "/home/alex", {"/home/alex/Téléchargements"}, "/home/alex/Downloads/b", ""};
    EXPECT_EQ(MoveToApplications::classify("/home/alex/Downloads/b/src/v", places), L::elsewhere);
    EXPECT_EQ(MoveToApplications::classify("/home/alex/Downloads/v", places), L::movable);
    EXPECT_EQ(MoveToApplications::classify("/home/alex/Téléchargements/v", places), L::movable);
}

TEST(MoveToApplications, AsksOnlyFromWhereDownloadsLandAndInstallsOnlyOnTheFirstButton) {
    const std::string downloaded = "/home/alex/Downloads/v", installed = "/home/alex/.local/bin/v";
    const Alert question{"Install Vesperine for this user?",
                         "Vesperine works best installed: it's needed for Open at Login, and "
                         "you won't have to keep the download around.",
                         {"Install", "Not Now"}};
    const Alert failure{"Couldn't install Vesperine",
                        "Copy Vesperine into ~/.local/bin yourself, then open it from there.\n\n"
                        "Couldn't copy: Input/output error",
                        {}};
    struct Case {
        const char* name;
        std::string path;
        std::vector<std::string> answers;
        bool linked, failing;
        std::vector<Alert> asked;
        bool installs, relaunched;
    } cases[] = {
        {"installed", installed, {"Install"}, false, false, {}, false, false},
        {"a build", "/home/alex/Downloads/b/v", {"Install"}, false, false, {}, false, false},
        {"bin is a link here", downloaded, {"Install"}, true, false, {}, false, false},
        {"not now", downloaded, {"Not Now"}, false, false, {question}, false, false},
        {"closed", downloaded, {}, false, false, {question}, false, false},
        {"install", downloaded, {"Install"}, false, false, {question}, true, true},
        {"failing", downloaded, {"Install"}, false, true, {question, failure}, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedInstaller installer;
        SimulatedAlerts alerts(c.answers);
        SimulatedRelaunch relaunch;
        CapturingLogger logger;
        installer.setPlaces({"/home/alex", {}, "/home/alex/Downloads/b", "/home/alex/.local/bin"});
        installer.setRunningPath(c.path);
        if (c.linked) installer.link(downloaded, installed);
        if (c.failing) installer.failInstall("Couldn't copy: Input/output error");
        // Another instance that does not quit does not stop the install.
        installer.failEnding("The running instance (process 42) did not quit within 5 s");
        MoveToApplications offer(installer, alerts, relaunch, logger, AppInfo::current());

        EXPECT_EQ(offer.offerIfNeeded(), c.relaunched);
        EXPECT_EQ(alerts.asked(), c.asked);
        const std::vector<std::string> steps{"end others", downloaded + " -> " + installed};
        EXPECT_EQ(installer.steps(), c.installs ? steps : std::vector<std::string>{});
        EXPECT_EQ(relaunch.requests(),
                  c.relaunched ? std::vector{installed} : std::vector<std::string>{});
        EXPECT_EQ(logger.contains("Move failed: Couldn't copy: Input/output error", "install"),
                  c.failing);
        EXPECT_EQ(logger.contains("did not quit within 5 s", "install"), c.installs);
    }
}

}  // namespace
}  // namespace vesperine
