#include "Platform/Linux/AutostartLoginItem.h"

#include <gtest/gtest.h>

#include "App/MoveToApplications.h"
#include "Platform/Linux/DesktopEntry.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Support/TempHome.h"

namespace vesperine {
namespace {

namespace fs = std::filesystem;

TEST(AutostartLoginItem, FollowsOurEntryAndNeverTouchesTheUsersOwn) {
    const std::string ours =
        "[Desktop Entry]\nType=Application\nName=Vesperine\nExec=/old\n"
        "X-Vesperine-Managed=true\n";
    const std::string theirs = "[Desktop Entry]\nType=Application\nName=V\nExec=vesperine -x\n";
    struct Case {
        const char* name;
        std::optional<std::string> entry;  // none: no file
        bool enabled;
        bool enables;   // enable() succeeds (then the entry is ours, on)
        bool disables;  // disable() removes the file
    } cases[] = {
        {"none", std::nullopt, false, true, false},
        {"ours", ours, true, true, true},
        {"ours, hidden by the user", ours + "Hidden=true\n", false, true, true},
        {"ours, off in GNOME", ours + "X-GNOME-Autostart-enabled=false\n", false, true, true},
        {"the user's own", theirs, false, false, false},
        {"the user's own with our key off", theirs + "X-Vesperine-Managed=false\n", false, false,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempHome home;
        CapturingLogger logger;
        const std::string executable = home / ".local/bin/vesperine";
        AutostartLoginItem item(logger, home / ".config/autostart", "com.brevan.vesperine",
                                executable);
        if (c.entry) home.write(".config/autostart/com.brevan.vesperine.desktop", *c.entry);
        EXPECT_EQ(item.isEnabled(), c.enabled);

        const Status enabled = item.enable();
        EXPECT_EQ(enabled.ok(), c.enables);
        const std::string after = home.read(".config/autostart/com.brevan.vesperine.desktop");
        if (c.enables) {
            EXPECT_TRUE(item.isEnabled());
            EXPECT_EQ(DesktopEntry::keys(after)["Exec"], DesktopEntry::execArgument(executable));
            EXPECT_EQ(std::system(("desktop-file-validate " +
                                   MoveToApplications::shellQuote(item.entryPath()))
                                      .c_str()),
                      0);
        } else {
            EXPECT_EQ(after, *c.entry);
            EXPECT_NE(enabled.error().description.find("autostart entry of your own"),
                      std::string::npos);
        }
        ASSERT_TRUE(item.disable());
        EXPECT_EQ(fs::exists(item.entryPath()), !c.enables);
        EXPECT_FALSE(item.isEnabled());
    }
}

TEST(AutostartLoginItem, FailuresSayWhyAndChangeNothing) {
    TempHome home;
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
    EXPECT_FALSE(item.isEnabled());

    home.write(".config/autostart/com.brevan.vesperine.desktop",
               "[Desktop Entry]\nX-Vesperine-Managed=true\n", 0);
    home.asUser([&] {
        EXPECT_FALSE(item.isEnabled());
        EXPECT_FALSE(item.enable());
        EXPECT_FALSE(item.disable());
    });
    EXPECT_TRUE(fs::exists(item.entryPath()));
    EXPECT_EQ(
        AutostartLoginItem(logger, home / "a", "b", "/bad\x01path").enable().error().description,
        "\"/bad\x01path\" can't be written in a desktop entry");
}

}  // namespace
}  // namespace vesperine
