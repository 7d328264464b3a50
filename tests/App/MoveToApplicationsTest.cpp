#include "App/MoveToApplications.h"

#include <gtest/gtest.h>

#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/SimulatedAlerts.h"
#include "Platform/Simulated/SimulatedInstaller.h"
#include "Platform/Simulated/SimulatedRelaunch.h"
#include "Platform/Simulated/SimulatedTrash.h"

namespace vesperine {
namespace {

using L = MoveToApplications::Location;

TEST(MoveToApplications, ClassifiesByTheFirstRuleThatMatches) {
    const std::tuple<const char*, const char*, L> cases[] = {
        {"/usr/bin/v", "/home/alex", L::inApplications},
        {"/home/alex/.local/bin/v", "/home/alex", L::inApplications},
        {"/media/alex/USB/v", "/home/alex", L::movable},
        {"/tmp/.mount_VespXy/usr/bin/v", "/home/alex", L::movable},
        {"/home/alex/Downloads/v", "/home/alex", L::movable},
        {"/Downloads/v", "/", L::movable},
        {"/Downloads/v", "", L::elsewhere},
        {"/home/alex/Downloadsx/v", "/home/alex", L::elsewhere},
        {"/home/bob/Downloads/v", "/home/alex", L::elsewhere},
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
    using O = Installer::Occupant;
    const std::string downloaded = "/home/alex/Downloads/v", installed = "/home/alex/.local/bin/v";
    const Alert question{"Install Vesperine for this user?",
                         "Vesperine works best installed: it's needed for Open at Login, and you "
                         "won't have to keep the download around.",
                         {"Install", "Not Now"}};
    // Something of the user's own where the copy goes is named, and goes to the Trash.
    Alert questionOverTheirs = question;
    questionOverTheirs.informativeText +=
        "\n\nThere is already a file at /home/alex/.local/bin/v that isn't Vesperine. Installing "
        "moves it to the Trash.";
    const auto failure = [](const std::string& why) {
        return Alert{"Couldn't install Vesperine",
                     "Copy Vesperine into ~/.local/bin yourself, then open it from there.\n\n" +
                         why,
                     {}};
    };
    const std::string copyError = "Couldn't copy: Input/output error";
    const std::string trashError = "Couldn't move \"/home/alex/.local/bin/v\" to the Trash: "
                                   "Permission denied";
    struct Case {
        const char* name;
        std::string path;
        std::vector<std::string> answers;
        bool linked, failing;
        std::vector<Alert> asked;
        std::size_t steps;  // of "end others" and the install
        bool relaunched;
        O occupant = O::nothing;
        bool trashFails = false;
    } cases[] = {
        {"installed", installed, {"Install"}, false, false, {}, 0, false},
        {"bin is a link here", downloaded, {"Install"}, true, false, {}, 0, false},
        {"closed", downloaded, {}, false, false, {question}, 0, false},
        {"install", downloaded, {"Install"}, false, false, {question}, 2, true},
        {"failing", downloaded, {"Install"}, false, true, {question, failure(copyError)}, 2, false},
        {"over their own file", downloaded, {"Install"}, false, false, {questionOverTheirs}, 2,
         true, O::other},
        {"their file and a Trash that refuses", downloaded, {"Install"}, false, false,
         {questionOverTheirs, failure(trashError)}, 1, false, O::other, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedInstaller installer;
        SimulatedAlerts alerts(c.answers);
        SimulatedRelaunch relaunch;
        SimulatedTrash trash;
        CapturingLogger logger;
        installer.setPlaces({"/home/alex", {}, "/home/alex/Downloads/b", "/home/alex/.local/bin"});
        installer.setRunningPath(c.path);
        installer.place(installed, c.occupant);
        if (c.linked) installer.link(downloaded, installed);
        if (c.failing) installer.failInstall(copyError);
        if (c.trashFails) trash.failWith(trashError);
        // Another instance that does not quit does not stop the install.
        installer.failEnding("The running instance (process 42) did not quit within 5 s");
        MoveToApplications offer(installer, alerts, relaunch, trash, logger, AppInfo::current());

        EXPECT_EQ(offer.offerIfNeeded(), c.relaunched);
        EXPECT_EQ(alerts.asked(), c.asked);
        const std::vector<std::string> steps{"end others", downloaded + " -> " + installed};
        EXPECT_EQ(installer.steps(),
                  std::vector<std::string>(steps.begin(), steps.begin() + c.steps));
        // Only what isn't ours is put aside; a refusal leaves it where it was.
        EXPECT_EQ(trash.trashed(), c.occupant == O::other && c.steps > 0 && !c.trashFails
                                       ? std::vector{installed}
                                       : std::vector<std::string>{});
        EXPECT_EQ(relaunch.requests(),
                  c.relaunched ? std::vector{installed} : std::vector<std::string>{});
        EXPECT_EQ(logger.contains("Move failed: Couldn't copy: Input/output error", "install"),
                  c.failing);
        EXPECT_EQ(logger.contains("did not quit within 5 s", "install"), c.steps > 0);
    }
}

}  // namespace
}  // namespace vesperine
