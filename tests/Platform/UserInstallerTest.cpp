// Installing for this user on a home of its own: the copy, the desktop entry, the icon and the
// autostart entry, and damaged starts that must leave everything of ours and the user's as it was.
#include "Platform/Linux/Install/UserInstaller.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <fstream>

#include "App/MoveToApplications.h"
#include "Platform/Linux/Install/AutostartLoginItem.h"
#include "Platform/Linux/Install/DesktopEntry.h"
#include "Platform/Linux/Install/InstallResources.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Support/TempFolder.h"

namespace vesperine {
namespace {

namespace fs = std::filesystem;
const std::string newCopy(256 * 1024, 'n');
const std::string entryFile = ".local/share/applications/com.brevan.vesperine.desktop";
const std::string autostartFile = ".config/autostart/com.brevan.vesperine.desktop";

// Whether the freedesktop tools' validator accepts the desktop entry at `path`.
bool validates(const std::string& path) {
    const std::string command = "desktop-file-validate " + MoveToApplications::shellQuote(path);
    return std::system(command.c_str()) == 0;
}

struct Install {
    TempFolder home{TempFolder::awkward};
    CapturingLogger logger;
    XdgPaths paths{home.root(),     home / ".config", home / ".local/share",
                   home / ".cache", home / "run",     "/tmp", {}, {}};
    UserInstaller installer{logger, "com.brevan.vesperine", home / "Downloads/v", paths, ""};
    std::string source = home / "Downloads/v", destination = home / ".local/bin/v";

    Install() {
        home.write("Downloads/v", newCopy, 0755);
        home.write(".local/bin/v", "old", 0755);
    }
    // What is in ~/.local/bin besides the program.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(home / ".local/bin"))
            if (entry.path().filename() != "v") names.push_back(entry.path().filename());
        return names;
    }
};

TEST(UserInstaller, ReplacesTheOldCopyAndAddsMenuEntryAndIconButNotOverTheUsersOwnEntry) {
    const std::string theirs = "[Desktop Entry]\nType=Application\nName=Mine\nExec=v\n";
    const std::string ours = "[Desktop Entry]\nExec=old\nX-Vesperine-Managed=true\n";
    for (const std::string& existing : {std::string(), ours, theirs}) {
        Install i;
        if (!existing.empty()) i.home.write(entryFile, existing);
        i.home.write(".local/bin/.v.install-999999999-12", "left by an install that died");
        i.home.write(".local/bin/.v.install-1-34", "pid 1 still runs");
        ASSERT_TRUE(i.installer.install(i.source, i.destination));
        EXPECT_EQ(i.home.read(".local/bin/v"), newCopy);
        EXPECT_EQ(fs::status(i.destination).permissions(), fs::perms(0755));
        EXPECT_EQ(i.home.read("Downloads/v"), newCopy);
        EXPECT_EQ(i.leftovers(), std::vector<std::string>{".v.install-1-34"});
        EXPECT_EQ(i.home.read(".local/share/icons/hicolor/scalable/apps/com.brevan.vesperine.svg"),
                  InstallResources::scalableIcon);
        EXPECT_EQ(i.home.read(entryFile),
                  existing == theirs ? theirs : *UserInstaller::desktopEntryFor(i.destination));
    }
}

TEST(UserInstaller, ALinkedBinFolderStaysALinkAndPlacesComeFromTheUsersFoldersResolved) {
    Install i;
    fs::rename(i.home / ".local/bin", i.home / "bin");
    fs::create_directory_symlink(i.home / "bin", i.home / ".local/bin");
    ASSERT_TRUE(i.installer.install(i.source, i.destination));
    EXPECT_TRUE(fs::is_symlink(i.home / ".local/bin"));
    EXPECT_EQ(i.home.read("bin/v"), newCopy);
    EXPECT_TRUE(i.installer.isSameFile(i.home / "bin/v", i.destination));
    EXPECT_FALSE(i.installer.isSameFile(i.source, i.destination));

    // A home reached through a link: the kernel names the running program by its real path,
    // so the places it is compared with are real paths too; the install folder stays as named.
    fs::create_directories(i.home / "Téléchargements");
    const TempFolder elsewhere;
    const std::string linked = elsewhere / "home";
    fs::create_directory_symlink(i.home.root(), linked);
    XdgPaths paths = i.paths;
    paths.home = linked;
    paths.downloadDir = linked + "/Téléchargements";
    paths.desktopDir = linked + "/";  // the home itself: none
    const UserInstaller throughLink{i.logger, "com.brevan.vesperine", i.source, paths, ""};
    const auto places = throughLink.places();
    const std::string real = fs::canonical(i.home.root());
    EXPECT_EQ(places.home, real);
    EXPECT_EQ(places.installFolder, linked + "/.local/bin");
    EXPECT_EQ(places.moreMovable, std::vector<std::string>{real + "/Téléchargements"});
}

TEST(UserInstaller, OnlyAFileThatCarriesOurBuildIdentityIsOurCopy) {
    using O = Installer::Occupant;
    // This test program is a build of ours: it carries the identity the program does, in
    // its headers and notes, which are all that is read (so its first pages are enough).
    std::ifstream self("/proc/self/exe", std::ios::binary);
    std::string build(64 * 1024, '\0');
    self.read(build.data(), static_cast<std::streamsize>(build.size()));
    const std::tuple<const char*, std::function<void(Install&)>, O> cases[] = {
        {"nothing", [](Install& i) { fs::remove(i.destination); }, O::nothing},
        {"an older copy", [&](Install& i) { i.home.write(".local/bin/v", build, 0755); },
         O::ourCopy},
        {"a wrapper script that names us",
         [](Install& i) {
             i.home.write(".local/bin/v",
                          "#!/bin/sh\n# Vesperine " VESPERINE_VERSION " (" VESPERINE_BUILD
                          ") com.brevan.vesperine\nexec ~/src/vesperine/build/v \"$@\"\n",
                          0755);
         },
         O::other},
        {"a link to a build of ours",
         [&](Install& i) {
             i.home.write("build/v", build, 0755);
             fs::remove(i.destination);
             fs::create_symlink(i.home / "build/v", i.destination);
         },
         O::other},
    };
    for (const auto& [name, make, occupant] : cases) {
        SCOPED_TRACE(name);
        Install i;
        make(i);
        EXPECT_EQ(i.installer.occupant(i.destination), occupant);
    }
}

TEST(UserInstaller, AFailedInstallLeavesTheOldCopyAndNothingElse) {
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    // The error said, the damage, and whether it runs as a user (the point is a permission,
    // which root would pass).
    const std::tuple<const char*, std::function<void(Install&)>, bool> cases[] = {
        {"Couldn't open", [](Install& i) { ::chmod(i.source.c_str(), 0); }, true},
        {"Couldn't create", [](Install& i) { ::chmod((i.home / ".local/bin").c_str(), 0555); },
         true},
        {"Couldn't replace",
         [](Install& i) { fs::remove(i.destination), i.home.write(".local/bin/v/keep", "old"); },
         false},
        {"runs inside a mounted AppImage",
         [](Install& i) {
             i.home.write(".mount_Ves1/usr/bin/v", "inner");
             i.source = i.home / ".mount_Ves1/usr/bin/v";
         },
         false},
        // A disk that fills shows as writes refused past a size.
        {"File too large",
         [&](Install&) {
             ::signal(SIGXFSZ, SIG_IGN);
             rlimit small{64 * 1024, saved.rlim_max};
             ::setrlimit(RLIMIT_FSIZE, &small);
         },
         false},
    };
    for (const auto& [error, damage, asUser] : cases) {
        SCOPED_TRACE(error);
        Install i;
        damage(i);
        std::optional<Status> result;
        const auto run = [&] { result = i.installer.install(i.source, i.destination); };
        asUser ? i.home.asUser(run) : run();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        ::chmod((i.home / ".local/bin").c_str(), 0755);
        ASSERT_TRUE(result && !*result);
        EXPECT_NE(result->error().description.find(error), std::string::npos)
            << result->error().description;
        EXPECT_EQ(
            i.home.read(fs::is_directory(i.destination) ? ".local/bin/v/keep" : ".local/bin/v"),
            "old");
        EXPECT_TRUE(i.leftovers().empty());
        EXPECT_FALSE(fs::exists(i.paths.dataHome + "/applications"));
    }
}

// Each entry written as the format asks, and accepted by the freedesktop tools' validator.
TEST(UserInstaller, ExecArgumentsAreQuotedAndEscapedAsTheFormatAsks) {
    // Each path and its Exec value as written in the file, if it can be written.
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"/home/alex/.local/bin/v", "/home/alex/.local/bin/v"},
        {"/home/Zoë O'Brien/v", "\"/home/Zoë O'Brien/v\""},
        {"/home/say \"hi\"/v", R"("/home/say \\"hi\\"/v")"},
        {"/home/$USER/`id`/v", R"("/home/\\$USER/\\`id\\`/v")"},
        {"/home/back\\slash ;&|<>*?#()~/v", R"("/home/back\\\\slash ;&|<>*?#()~/v")"},
        {"/home/100%/v", "/home/100%%/v"},
        {"/home/line\nbreak\ttab/v", R"("/home/line\nbreak\ttab/v")"},
        {"/home/bad\xff/v", std::nullopt},
    };
    TempFolder home(TempFolder::awkward);
    for (const auto& [path, exec] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(DesktopEntry::execArgument(path), exec);
        if (!exec) continue;
        home.write("v.desktop", *UserInstaller::desktopEntryFor(path));
        EXPECT_TRUE(validates(home / "v.desktop"));
    }
}

TEST(AutostartLoginItem, FollowsOurEntryAndNeverTouchesTheUsersOwn) {
    const std::string ours = "[Desktop Entry]\nExec=/old\nX-Vesperine-Managed=true\n";
    const std::string theirs = "[Desktop Entry]\nType=Application\nName=V\nExec=vesperine -x\n";
    struct Case {
        std::optional<std::string> entry;  // none: no file
        bool enabled;
        bool ours;  // enable() and disable() act on it
    } cases[] = {
        {std::nullopt, false, true},
        {ours, true, true},
        {ours + "Hidden=true\n", false, true},
        {ours + "X-GNOME-Autostart-enabled=false\n", false, true},
        {theirs, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry.value_or("none"));
        TempFolder home(TempFolder::awkward);
        CapturingLogger logger;
        AutostartLoginItem item(logger, home / ".config/autostart", "com.brevan.vesperine",
                                home / ".local/bin/v");
        if (c.entry) home.write(autostartFile, *c.entry);
        EXPECT_EQ(item.isEnabled(), c.enabled);

        const Status enabled = item.enable();
        EXPECT_EQ(enabled.ok(), c.ours);
        EXPECT_EQ(item.isEnabled(), c.ours);
        if (c.ours) {
            EXPECT_EQ(home.read(autostartFile),
                      *UserInstaller::desktopEntryFor(home / ".local/bin/v"));
        } else {
            EXPECT_EQ(home.read(autostartFile), *c.entry);
            EXPECT_NE(enabled.error().description.find("autostart entry of your own"),
                      std::string::npos);
        }
        ASSERT_TRUE(item.disable());
        EXPECT_EQ(std::filesystem::exists(item.entryPath()), !c.ours);
        EXPECT_FALSE(item.isEnabled());
    }
}

TEST(AutostartLoginItem, AnEntryItCannotReadIsNeitherReplacedNorRemoved) {
    TempFolder home(TempFolder::awkward);
    CapturingLogger logger;
    AutostartLoginItem item(logger, home / ".config/autostart", "com.brevan.vesperine",
                            "/usr/bin/v");
    home.write(autostartFile, "[Desktop Entry]\nX-Vesperine-Managed=true\n", 0);  // unreadable
    home.asUser([&] {
        EXPECT_FALSE(item.isEnabled());
        EXPECT_FALSE(item.enable());
        EXPECT_FALSE(item.disable());
    });
    EXPECT_TRUE(std::filesystem::exists(item.entryPath()));
}

}  // namespace
}  // namespace vesperine
