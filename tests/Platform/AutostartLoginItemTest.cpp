#include "Platform/Linux/Install/AutostartLoginItem.h"

#include <gtest/gtest.h>

#include "App/MoveToApplications.h"
#include "Platform/Linux/Install/UserInstaller.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Support/TempFolder.h"

namespace vesperine {
namespace {

const std::string entryFile = ".config/autostart/com.brevan.vesperine.desktop";

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
        {theirs + "X-Vesperine-Managed=false\n", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry.value_or("none"));
        TempFolder home(TempFolder::awkward);
        CapturingLogger logger;
        AutostartLoginItem item(logger, home / ".config/autostart", "com.brevan.vesperine",
                                home / ".local/bin/v");
        if (c.entry) home.write(entryFile, *c.entry);
        EXPECT_EQ(item.isEnabled(), c.enabled);

        const Status enabled = item.enable();
        EXPECT_EQ(enabled.ok(), c.ours);
        EXPECT_EQ(item.isEnabled(), c.ours);
        if (c.ours) {
            EXPECT_EQ(home.read(entryFile), *UserInstaller::desktopEntryFor(home / ".local/bin/v"));
            const std::string validate =
                "desktop-file-validate " + MoveToApplications::shellQuote(item.entryPath());
            EXPECT_EQ(std::system(validate.c_str()), 0);
        } else {
            EXPECT_EQ(home.read(entryFile), *c.entry);
            EXPECT_NE(enabled.error().description.find("autostart entry of your own"),
                      std::string::npos);
        }
        ASSERT_TRUE(item.disable());
        EXPECT_EQ(std::filesystem::exists(item.entryPath()), !c.ours);
        EXPECT_FALSE(item.isEnabled());
    }
}

TEST(AutostartLoginItem, FailuresSayWhyAndChangeNothing) {
    TempFolder home(TempFolder::awkward);
    CapturingLogger logger;
    AutostartLoginItem item(logger, home / ".config/autostart", "com.brevan.vesperine",
                            "/usr/bin/v");
    home.write(".config/autostart/other.desktop", "[Desktop Entry]\n");
    ::chmod((home / ".config/autostart").c_str(), 0555);
    home.asUser([&] {
        const Status refused = item.enable();
        ASSERT_FALSE(refused);
        EXPECT_NE(refused.error().description.find("Permission denied"), std::string::npos);
    });
    ::chmod((home / ".config/autostart").c_str(), 0755);
    home.write(entryFile, "[Desktop Entry]\nX-Vesperine-Managed=true\n", 0);  // unreadable
    home.asUser([&] {
        EXPECT_FALSE(item.isEnabled());
        EXPECT_FALSE(item.enable());
        EXPECT_FALSE(item.disable());
    });
    EXPECT_TRUE(std::filesystem::exists(item.entryPath()));
    EXPECT_EQ(AutostartLoginItem(logger, home / "a", "b", "/bad\x01").enable().error().description,
              "\"/bad\x01\" can't be written in a desktop entry");
}

}  // namespace
}  // namespace vesperine
