#include "Platform/Linux/Install/DesktopEntries.h"

#include <gtest/gtest.h>

#include "Platform/Simulated/CapturingLogger.h"
#include "Support/TempFolder.h"

namespace vesperine {
namespace {

// An application entry "<id>.desktop" in `folder` with the given lines after its type.
void entry(const TempFolder& folder, const std::string& id, const std::string& lines) {
    folder.write(id + ".desktop", "[Desktop Entry]\nType=Application\n" + lines);
}

class DesktopEntriesTest : public testing::Test {
protected:
    void SetUp() override {
        entry(home, "vlc", "Name=My VLC\n");  // the user's copy wins
        home.write("retired.desktop", "[Desktop Entry]\nType=Application\nHidden=true\n");
        entry(system, "vlc", "Name=VLC media player\nStartupWMClass=vlc\n");
        entry(system, "retired", "Name=Retired\n");
        entry(system, "org.gnome.Totem", "Name=Videos\n");
        entry(system, "io.github.celluloid_player.Celluloid",
              "Name = Celluloid\\sPlayer\nStartupWMClass=io.github.celluloid_player.Celluloid\n"
              "\n[Desktop Action new-window]\nName=New Window\n");
        entry(system, "kde4/gwenview", "Name=Gwenview\nStartupWMClass=Gwenview\n");
        entry(system, "nameless", "Exec=nameless\n");
        system.write("link.desktop", "[Desktop Entry]\nType=Link\nName=A link\n");
        system.write("huge.desktop",
                     "[Desktop Entry]\nType=Application\nName=" + std::string(2 << 20, 'x') + "\n");
    }
    DesktopEntries entries() {
        return DesktopEntries({home.root(), system.root()}, "", logger);
    }

    TempFolder home, system;
    CapturingLogger logger;
};

TEST_F(DesktopEntriesTest, IdentifiesAWindowByItsHints) {
    const auto index = entries();
    EXPECT_EQ(index.size(), 5u);  // not the hidden one, the link or the huge one
    EXPECT_TRUE(logger.contains("has no Name"));
    EXPECT_TRUE(logger.contains("too large"));
    using Hints = DesktopEntries::Hints;
    using App = RunningApplication;
    const App videos{"org.gnome.Totem", "Videos", 0}, gwenview{"kde4-gwenview", "Gwenview", 0};
    const std::tuple<const char*, Hints, App> cases[] = {
        {"application id", {"org.gnome.Totem", {}, "totem", "Totem", "totem"}, videos},
        {"unknown application id, then the class", {"org.example.Unknown", {}, "vlc", "vlc", {}},
         {"vlc", "My VLC", 0}},
        {"desktop file given as a path",
         {{}, "/usr/share/applications/kde4-gwenview.desktop", {}, {}, {}}, gwenview},
        {"class is the id, escapes undone, actions ignored",
         {{}, {}, "celluloid", "io.github.celluloid_player.Celluloid", {}},
         {"io.github.celluloid_player.Celluloid", "Celluloid Player", 0}},
        {"executable is the id", {{}, {}, {}, {}, "VLC"}, {"vlc", "My VLC", 0}},
        {"hidden entry", {{}, {}, "retired", "Retired", {}}, {"Retired", std::nullopt, 0}},
        {"no entry: the executable", {{}, {}, "main", "Main", "python3"},
         {"python3", std::nullopt, 0}},
        {"nothing at all", {{}, {}, "", {}, {}}, {}},
    };
    for (const auto& [name, hints, app] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(index.identify(hints), app);
    }
}

}  // namespace
}  // namespace vesperine
