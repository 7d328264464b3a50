#include "Platform/Linux/Install/DesktopEntry.h"

#include <gtest/gtest.h>

#include "App/MoveToApplications.h"
#include "Platform/Linux/Process/RunningProgram.h"
#include "Platform/Linux/Install/UserInstaller.h"
#include "Support/TempFolder.h"

namespace vesperine {
namespace {

// Each entry written as the format asks, and accepted by the freedesktop tools' validator.
TEST(DesktopEntry, ExecArgumentsAreQuotedAndEscapedAsTheFormatAsks) {
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
        {"/home/bell\a/v", std::nullopt},
    };
    TempFolder home(TempFolder::awkward);
    for (const auto& [path, exec] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(DesktopEntry::execArgument(path), exec);
        if (!exec) continue;
        home.write("v.desktop", *UserInstaller::desktopEntryFor(path));
        const std::string validate =
            "desktop-file-validate " + MoveToApplications::shellQuote((home / "v.desktop").string());
        EXPECT_EQ(std::system(validate.c_str()), 0);
    }
}

TEST(DesktopEntry, TheRunningProgram) {
    // An image is named by its file only from inside its mount.
    EXPECT_EQ(RunningProgram::choose("/usr/bin/v (deleted)", nullptr), "/usr/bin/v");
    EXPECT_EQ(RunningProgram::choose("/tmp/.mount_V1/usr/bin/v", "/home/a/V.AppImage"),
              "/home/a/V.AppImage");
    EXPECT_EQ(RunningProgram::choose("/tmp/.mount_V1/usr/bin/v", "V.AppImage"),
              "/tmp/.mount_V1/usr/bin/v");
    EXPECT_EQ(RunningProgram::choose("/usr/bin/v", "/home/a/V.AppImage"), "/usr/bin/v");
}

}  // namespace
}  // namespace vesperine
