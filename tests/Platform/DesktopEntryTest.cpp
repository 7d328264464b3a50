#include "Platform/Linux/DesktopEntry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "Platform/Linux/RunningProgram.h"
#include "Platform/Linux/UserDirs.h"
#include "Platform/Linux/UserInstaller.h"

namespace vesperine {
namespace {

TEST(DesktopEntry, ExecArgumentsAreQuotedAndEscapedAsTheFormatAsks) {
    struct Case {
        const char* path;
        std::optional<std::string> exec;  // as written in the file
    } cases[] = {
        {"/home/alex/.local/bin/vesperine", "/home/alex/.local/bin/vesperine"},
        {"/home/Zoë Brontë/.local/bin/v", "\"/home/Zoë Brontë/.local/bin/v\""},
        {"/home/a'b/v", "\"/home/a'b/v\""},
        {"/home/say \"hi\"/v", R"("/home/say \\"hi\\"/v")"},
        {"/home/$USER/`id`/v", R"("/home/\\$USER/\\`id\\`/v")"},
        {"/home/back\\slash/v", R"("/home/back\\\\slash/v")"},
        {"/home/100%/v", "/home/100%%/v"},
        {"/home/line\nbreak/v", R"("/home/line\nbreak/v")"},
        {"", "\"\""},
        {"/home/bad\xff/v", std::nullopt},
        {"/home/bell\a/v", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(DesktopEntry::execArgument(c.path), c.exec);
    }
}

// What a desktop reads back from entries made for awkward paths: the validator of the
// freedesktop tools accepts each.
TEST(DesktopEntry, EntriesForAwkwardPathsPassTheValidator) {
    const auto file = std::filesystem::temp_directory_path() /
                      ("vesperine-entry-" + std::to_string(::getpid()) + ".desktop");
    for (const std::string path :
         {"/home/alex/.local/bin/vesperine", "/home/Zoë \"Z\" O'Brien/.local/bin/v",
          "/home/$x `y` \\z %f ;&|<>*?#()~/v", "/home/line\nbreak\ttab/v"}) {
        SCOPED_TRACE(path);
        const auto entry = UserInstaller::desktopEntryFor(path);
        ASSERT_TRUE(entry);
        std::ofstream(file) << *entry;
        const std::string command = "desktop-file-validate '" + file.string() + "' 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << *entry;
        auto keys = DesktopEntry::keys(*entry);
        EXPECT_EQ(keys[UserInstaller::ownEntryKey], "true");
        EXPECT_EQ(keys["Exec"], *DesktopEntry::execArgument(path));
    }
    std::filesystem::remove(file);
}

TEST(DesktopEntry, KeysComeFromTheMainGroupAndWithKeyReplacesOrAdds) {
    const std::string text =
        "# a comment\n[Desktop Entry]\nName = Vesperine\nHidden=false\nHidden=true\n"
        "Name[de]=Vesperine\n# Exec=no\n\n[Desktop Action x]\nExec=other\n";
    auto keys = DesktopEntry::keys(text);
    EXPECT_EQ(keys["Name"], "Vesperine");
    EXPECT_EQ(keys["Hidden"], "false");
    EXPECT_EQ(keys.count("Exec"), 0u);
    EXPECT_EQ(DesktopEntry::withKey(text, "Hidden", "true"),
              "# a comment\n[Desktop Entry]\nName = Vesperine\nHidden=true\nHidden=true\n"
              "Name[de]=Vesperine\n# Exec=no\n\n[Desktop Action x]\nExec=other\n");
    EXPECT_EQ(DesktopEntry::withKey(text, "Exec", "v"),
              "# a comment\n[Desktop Entry]\nName = Vesperine\nHidden=false\nHidden=true\n"
              "Name[de]=Vesperine\nExec=v\n# Exec=no\n\n[Desktop Action x]\nExec=other\n");
}

TEST(UserDirs, NamedFoldersAreReadAsTheFileWritesThem) {
    const auto dirs = UserDirs::parse(
        "# written by xdg-user-dirs-update\nXDG_DOWNLOAD_DIR=\"$HOME/Téléchargements\"\n"
        "XDG_DESKTOP_DIR=\"$HOME/\"\nXDG_MUSIC_DIR=\"/srv/music/\"\nXDG_VIDEOS_DIR=Videos\n"
        "XDG_PICTURES_DIR=\"relative\"\nXDG_TEMPLATES_DIR=\"$HOME/a \\\"b\\\"\"",
        "/home/alex");
    EXPECT_EQ(dirs, (std::map<std::string, std::string>{
                        {"XDG_DOWNLOAD_DIR", "/home/alex/Téléchargements"},
                        {"XDG_MUSIC_DIR", "/srv/music"},
                        {"XDG_TEMPLATES_DIR", "/home/alex/a \"b\""}}));
}

TEST(RunningProgram, AnImageIsNamedByItsFileOnlyFromInsideItsMount) {
    EXPECT_EQ(RunningProgram::choose("/usr/bin/vesperine (deleted)", nullptr),
              "/usr/bin/vesperine");
    EXPECT_EQ(RunningProgram::choose("/tmp/.mount_Ves1/usr/bin/vesperine", "/home/a/V.AppImage"),
              "/home/a/V.AppImage");
    EXPECT_EQ(RunningProgram::choose("/tmp/.mount_Ves1/usr/bin/vesperine", "V.AppImage"),
              "/tmp/.mount_Ves1/usr/bin/vesperine");
    EXPECT_EQ(RunningProgram::choose("/usr/bin/vesperine", "/home/a/Other.AppImage"),
              "/usr/bin/vesperine");
    EXPECT_FALSE(RunningProgram::path().empty());
}

}  // namespace
}  // namespace vesperine
