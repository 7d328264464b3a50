// Installing for this user on a home of its own: the copy, the desktop entry and the icon,
// and damaged starts that must leave everything of ours and the user's as it was.
#include "Platform/Linux/UserInstaller.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include "App/MoveToApplications.h"
#include "Platform/Linux/DesktopEntry.h"
#include "Platform/Linux/InstallResources.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Support/TempHome.h"

namespace vesperine {
namespace {

namespace fs = std::filesystem;
constexpr const char* bundle = "com.brevan.vesperine";
const std::string newCopy(256 * 1024, 'n');

struct Install {
    TempHome home;
    CapturingLogger logger;
    XdgPaths paths{home.path(),     home / ".config", home / ".local/share",
                   home / ".cache", home / "run",     "/tmp"};
    UserInstaller installer{logger, bundle, home / "Downloads/vesperine", paths, ""};
    std::string source = home / "Downloads/vesperine";
    std::string destination = home / ".local/bin/vesperine";

    Install() { home.write("Downloads/vesperine", newCopy, 0755); }
    Status run() { return installer.install(source, destination); }
    // Files in ~/.local/bin that are neither the program nor a link to a folder.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> names;
        if (!fs::exists(home / ".local/bin")) return names;
        for (const auto& entry : fs::directory_iterator(home / ".local/bin")) {
            if (entry.path().filename() != "vesperine") names.push_back(entry.path().filename());
        }
        return names;
    }
};

TEST(UserInstaller, InstallsTheCopyItsMenuEntryAndIconEvenOverOldOnes) {
    const std::string theirs = "[Desktop Entry]\nType=Application\nName=Mine\nExec=vesperine\n";
    for (const char* existing : {"nothing", "our old copy", "the user's own entry"}) {
        SCOPED_TRACE(existing);
        Install i;
        const std::string entry = i.paths.dataHome + "/applications/" + bundle + ".desktop";
        if (existing != std::string("nothing")) i.home.write(".local/bin/vesperine", "old", 0755);
        if (existing == std::string("our old copy")) {
            i.home.write(".local/share/applications/com.brevan.vesperine.desktop",
                         "[Desktop Entry]\nExec=old\nX-Vesperine-Managed=true\n");
        } else if (existing == std::string("the user's own entry")) {
            i.home.write(".local/share/applications/com.brevan.vesperine.desktop", theirs);
        }
        ASSERT_TRUE(i.run()) << i.run().error().description;
        EXPECT_EQ(i.home.read(".local/bin/vesperine"), newCopy);
        EXPECT_EQ(fs::status(i.destination).permissions(), fs::perms(0755));
        EXPECT_EQ(i.home.read("Downloads/vesperine"), newCopy);
        EXPECT_TRUE(i.leftovers().empty());
        EXPECT_EQ(i.home.read(".local/share/icons/hicolor/scalable/apps/com.brevan.vesperine.svg"),
                  InstallResources::scalableIcon);
        const std::string written =
            i.home.read(".local/share/applications/" + std::string(bundle) + ".desktop");
        if (existing == std::string("the user's own entry")) {
            EXPECT_EQ(written, theirs);
            continue;
        }
        EXPECT_EQ(written, *UserInstaller::desktopEntryFor(i.destination));
        EXPECT_EQ(DesktopEntry::keys(written)["Exec"], *DesktopEntry::execArgument(i.destination));
        const std::string validate =
            "desktop-file-validate " + MoveToApplications::shellQuote(entry);
        EXPECT_EQ(std::system(validate.c_str()), 0);
    }
}

TEST(UserInstaller, ALinkedBinFolderStaysALinkAndPlacesComeFromTheUsersFolders) {
    Install i;
    fs::create_directories(i.home / "bin");
    fs::create_directories(i.home / ".local");
    fs::create_directory_symlink(i.home / "bin", i.home / ".local/bin");
    i.home.write(".config/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/Téléchargements\"\n");
    ASSERT_TRUE(i.run());
    EXPECT_TRUE(fs::is_symlink(i.home / ".local/bin"));
    EXPECT_EQ(i.home.read("bin/vesperine"), newCopy);
    EXPECT_TRUE(i.installer.isSameFile(i.home / "bin/vesperine", i.destination));
    EXPECT_FALSE(i.installer.isSameFile(i.source, i.destination));
    const auto places = i.installer.places();
    EXPECT_EQ(places.installFolder, i.home / ".local/bin");
    EXPECT_EQ(places.moreMovable, std::vector<std::string>{i.home / "Téléchargements"});
}

TEST(UserInstaller, AFailedInstallLeavesTheOldCopyAndNothingElse) {
    struct Case {
        const char* name;
        std::function<void(Install&)> damage;
        const char* error;
        bool asUser;  // permissions are the point: root would pass them
    } cases[] = {
        {"unreadable source", [](Install& i) { ::chmod(i.source.c_str(), 0); }, "Couldn't open",
         true},
        {"read-only folder", [](Install& i) { ::chmod((i.home / ".local/bin").c_str(), 0555); },
         "Couldn't create", true},
        {"a folder in the way",
         [](Install& i) {
             fs::remove(i.destination);
             i.home.write(".local/bin/vesperine/keep", "theirs");
         },
         "Couldn't replace", false},
        {"source is a folder", [](Install& i) { i.source = i.home / "Downloads"; }, "is not a file",
         false},
        {"inside a mounted image",
         [](Install& i) {
             i.source = i.home / ".mount_Ves1/usr/bin/vesperine";
             i.home.write(".mount_Ves1/usr/bin/vesperine", "inner");
         },
         "runs inside a mounted AppImage", false},
        {"the disk fills", [](Install&) {}, "File too large", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Install i;
        i.home.write(".local/bin/vesperine", "old", 0755);
        c.damage(i);
        std::optional<Status> result;
        const auto run = [&] {
            if (c.error != std::string("File too large")) return void(result = i.run());
            // A disk that fills shows as writes refused past a size.
            ::signal(SIGXFSZ, SIG_IGN);
            rlimit saved{}, small{};
            ::getrlimit(RLIMIT_FSIZE, &saved);
            small = {64 * 1024, saved.rlim_max};
            ::setrlimit(RLIMIT_FSIZE, &small);
            result = i.run();
            ::setrlimit(RLIMIT_FSIZE, &saved);
        };
        c.asUser ? i.home.asUser(run) : run();
        ASSERT_TRUE(result);
        ASSERT_FALSE(*result);
        EXPECT_NE(result->error().description.find(c.error), std::string::npos)
            << result->error().description;
        ::chmod((i.home / ".local/bin").c_str(), 0755);
        if (fs::is_directory(i.destination)) {
            EXPECT_EQ(i.home.read(".local/bin/vesperine/keep"), "theirs");
        } else {
            EXPECT_EQ(i.home.read(".local/bin/vesperine"), "old");
        }
        EXPECT_TRUE(i.leftovers().empty());
        EXPECT_FALSE(fs::exists(i.paths.dataHome + "/applications"));
    }
}

TEST(UserInstaller, ACopyLeftByAnInstallThatDiedIsRemovedByTheNext) {
    Install i;
    i.home.write(".local/bin/.vesperine.install-999999999-12", "half");
    i.home.write(".local/bin/.vesperine.install-1-34", "pid 1 still runs");
    ASSERT_TRUE(i.run());
    EXPECT_EQ(i.leftovers(), std::vector<std::string>{".vesperine.install-1-34"});
}

}  // namespace
}  // namespace vesperine
