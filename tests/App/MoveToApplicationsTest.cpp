#include "App/MoveToApplications.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/SimulatedAlerts.h"
#include "Platform/Simulated/SimulatedInstaller.h"
#include "Platform/Simulated/SimulatedRelaunch.h"

namespace vesperine {
namespace {

using Location = MoveToApplications::Location;

TEST(MoveToApplications, ClassifiesByTheFirstRuleThatMatches) {
    const Installer::Places places{"/home/alex",
                                   {"/home/alex/Téléchargements"},
                                   "/home/alex/Downloads/vesperine/build",
                                   "/home/alex/.local/bin"};
    struct Case {
        const char* path;
        const char* home;
        Location location;
    } cases[] = {
        {"/usr/bin/vesperine", "/home/alex", Location::inApplications},
        {"/opt/vesperine/bin/vesperine", "/home/alex", Location::inApplications},
        {"/home/alex/.local/bin/vesperine", "/home/alex", Location::inApplications},
        {"/home/alex/Applications/Vesperine.AppImage", "/home/alex/", Location::inApplications},
        {"/media/alex/USB/vesperine", "/home/alex", Location::movable},
        {"/run/media/alex/USB/vesperine", "/home/alex", Location::movable},
        {"/tmp/.mount_VespXy12/usr/bin/vesperine", "/home/alex", Location::movable},
        {"/home/alex/Downloads/vesperine", "/home/alex", Location::movable},
        {"/home/alex/Desktop/Vesperine.AppImage", "/home/alex//", Location::movable},
        {"/Downloads/vesperine", "/", Location::movable},
        // Installed wins over a mount: a home on a removable disk.
        {"/media/alex/home/.local/bin/vesperine", "/media/alex/home", Location::inApplications},
        {"/home/alex/Downloads", "/home/alex", Location::elsewhere},
        {"/home/alex/Downloadsx/vesperine", "/home/alex", Location::elsewhere},
        {"/home/bob/Downloads/vesperine", "/home/alex", Location::elsewhere},
        {"/Downloads/vesperine", "", Location::elsewhere},
        {"/usrlocal/vesperine", "/home/alex", Location::elsewhere},
        {"/srv/build/vesperine", "/home/alex", Location::elsewhere},
        {"/home/a l'ex ü/Downloads/v", "/home/a l'ex ü", Location::movable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + std::string(" in ") + c.home);
        EXPECT_EQ(MoveToApplications::classify(c.path, c.home), c.location);
    }
    // With the other places: a build never asks, wherever it lies; the user's own download
    // folder counts.
    EXPECT_EQ(
        MoveToApplications::classify("/home/alex/Downloads/vesperine/build/src/vesperine", places),
        Location::elsewhere);
    EXPECT_EQ(MoveToApplications::classify("/home/alex/Downloads/vesperine", places),
              Location::movable);
    EXPECT_EQ(MoveToApplications::classify("/home/alex/Téléchargements/vesperine", places),
              Location::movable);
}

TEST(MoveToApplications, VolumeIsTheFirstTwoParts) {
    EXPECT_EQ(MoveToApplications::volume("/Volumes/Disk/X.app"), "/Volumes/Disk");
    EXPECT_EQ(MoveToApplications::volume("/media/alex/USB/vesperine"), "/media/alex");
    EXPECT_EQ(MoveToApplications::volume("//a///b/c"), "/a/b");
    EXPECT_EQ(MoveToApplications::volume("/X.app"), "/X.app");
    EXPECT_EQ(MoveToApplications::volume(""), "");
}

TEST(MoveToApplications, ShellQuoteGivesTheShellTheTextBack) {
    EXPECT_EQ(MoveToApplications::shellQuote("Alex's Mac"), "'Alex'\\''s Mac'");
    EXPECT_EQ(MoveToApplications::shellQuote(""), "''");
    for (const std::string text : {"plain", "Alex's Mac", "''", "a \"b\" $HOME `id` \\n ; | & *",
                                   "Über Ödön ☀", "line\nbreak", "-n"}) {
        SCOPED_TRACE(text);
        FILE* shell = ::popen(("printf '%s' " + MoveToApplications::shellQuote(text)).c_str(), "r");
        ASSERT_NE(shell, nullptr);
        std::string echoed;
        for (int c; (c = std::fgetc(shell)) != EOF;) echoed += static_cast<char>(c);
        ::pclose(shell);
        EXPECT_EQ(echoed, text);
    }
}

struct Offer {
    Offer() {
        installer.setPlaces(
            {"/home/alex", {}, "/home/alex/Downloads/v/build", "/home/alex/.local/bin"});
    }
    SimulatedInstaller installer;
    SimulatedAlerts alerts;
    SimulatedRelaunch relaunch;
    CapturingLogger logger;
    MoveToApplications offer{installer, alerts, relaunch, logger, AppInfo::current()};
};

TEST(MoveToApplications, AsksOnlyFromWhereDownloadsLandAndInstallsOnlyOnTheFirstButton) {
    const Alert question{"Install Vesperine for this user?",
                         "Vesperine works best installed: it's needed for Open at Login, and "
                         "you won't have to keep the download around.",
                         {"Install", "Not Now"}};
    struct Case {
        const char* name;
        const char* path;
        std::vector<std::string> answers;
        bool linkedInstallFolder;
        bool asked;
        bool relaunched;
    } cases[] = {
        {"installed", "/home/alex/.local/bin/vesperine", {"Install"}, false, false, false},
        {"a build", "/home/alex/Downloads/v/build/vesperine", {"Install"}, false, false, false},
        {"bin is a link here", "/home/alex/Downloads/vesperine", {"Install"}, true, false, false},
        {"not now", "/home/alex/Downloads/vesperine", {"Not Now"}, false, true, false},
        {"closed", "/home/alex/Downloads/vesperine", {}, false, true, false},
        {"install", "/home/alex/Downloads/vesperine", {"Install"}, false, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Offer o;
        o.installer.setRunningPath(c.path);
        if (c.linkedInstallFolder) {
            o.installer.link("/home/alex/Downloads/vesperine", "/home/alex/.local/bin/vesperine");
        }
        for (const auto& answer : c.answers) o.alerts.answer(answer);
        EXPECT_EQ(o.offer.offerIfNeeded(), c.relaunched);
        EXPECT_EQ(o.alerts.asked(), c.asked ? std::vector<Alert>{question} : std::vector<Alert>{});
        const std::vector<std::string> steps = {
            "end others", "/home/alex/Downloads/vesperine -> /home/alex/.local/bin/vesperine"};
        EXPECT_EQ(o.installer.steps(), c.relaunched ? steps : std::vector<std::string>{});
        EXPECT_EQ(o.relaunch.requests(),
                  c.relaunched ? std::vector<std::string>{"/home/alex/.local/bin/vesperine"}
                               : std::vector<std::string>{});
    }
}

TEST(MoveToApplications, AFailedInstallIsLoggedAndShownAndTheRunningCopyCarriesOn) {
    Offer o;
    o.installer.setRunningPath("/media/alex/USB/Vesperine-x86_64.AppImage");
    o.installer.failEnding("The running instance (process 42) did not quit within 5 s");
    o.installer.failInstall(
        "Couldn't copy \"/media/alex/USB/Vesperine-x86_64.AppImage\": "
        "Input/output error");
    o.alerts.answer("Install");
    EXPECT_FALSE(o.offer.offerIfNeeded());
    ASSERT_EQ(o.alerts.asked().size(), 2u);
    EXPECT_EQ(o.alerts.asked()[1],
              (Alert{"Couldn't install Vesperine",
                     "Copy Vesperine into ~/.local/bin yourself, then open it from there.\n\n"
                     "Couldn't copy \"/media/alex/USB/Vesperine-x86_64.AppImage\": "
                     "Input/output error",
                     {}}));
    EXPECT_EQ(o.installer.steps().back(),
              "/media/alex/USB/Vesperine-x86_64.AppImage -> "
              "/home/alex/.local/bin/Vesperine-x86_64.AppImage");
    EXPECT_TRUE(o.logger.contains("did not quit within 5 s", "install"));
    EXPECT_TRUE(o.logger.contains("Move failed: Couldn't copy", "install"));
    EXPECT_EQ(o.logger.lines().back().level, LogLevel::error);
    EXPECT_TRUE(o.relaunch.requests().empty());
}

}  // namespace
}  // namespace vesperine
