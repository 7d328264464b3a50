// The tray icon of the real program on the test X server, on both tray protocols: docked in
// an XEmbed tray (trayer) and clicked with xdotool; and registered with a StatusNotifierWatcher
// on a private session bus, activated through the item. Each opens the panel, whose mode
// picker changes the real ramps; Ctrl+Q in it ends the program as SIGTERM does.
#include "ProgramRun.h"

#include <systemd/sd-bus.h>

#include "Support/FakeWatcher.h"
#include "Support/PrivateBus.h"

namespace vesperine::testing_x11 {
namespace {

int run(const std::string& command) {
    return std::system(command.c_str());
}

// A window of the program: its place on the screen and whether another client holds it (a
// tray docks its icons inside its own window).
struct OurWindow {
    bool docked = false, viewable = false;
    int x = 0, y = 0, width = 0, height = 0;
};

// The first of the program's windows under `window` that is `what`.
std::optional<OurWindow> find(Display* display, const std::function<bool(const OurWindow&)>& what,
                              Window window = 0) {
    const Window root = DefaultRootWindow(display);
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window ? window : root, &rootReturn, &parent, &children, &count))
        return std::nullopt;
    std::optional<OurWindow> found;
    XClassHint hint{};
    if (window && XGetClassHint(display, window, &hint)) {
        if (hint.res_name && std::string(hint.res_name) == "vesperine") {
            XWindowAttributes attributes{};
            XGetWindowAttributes(display, window, &attributes);
            OurWindow ours{
                parent != root,   attributes.map_state == IsViewable, 0, 0, attributes.width,
                attributes.height};
            Window child = 0;
            XTranslateCoordinates(display, window, root, 0, 0, &ours.x, &ours.y, &child);
            if (what(ours)) found = ours;
        }
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    for (unsigned int i = 0; i < count && !found; ++i) found = find(display, what, children[i]);
    if (children) XFree(children);
    return found;
}

bool isPanel(const OurWindow& w) {
    return !w.docked && w.viewable && w.width == 300;
}
bool isIcon(const OurWindow& w) {
    return w.docked && w.viewable;
}

class TrayTest : public OnTheServer {
protected:
    // The schedule's Warm 3400 K at 21:00; Red at 80% once picked; untouched once given back.
    bool showsWarm() const { return shows(1.0, 0.527); }
    bool showsRed() const { return shows(0.8, 0.0); }
    // Picks Red in the open panel (the keyboard starts on the mode shown), then quits from it.
    void pickRedThenQuit(Program& program) {
        ASSERT_EQ(run("xdotool key Right"), 0);
        EXPECT_TRUE(spin([&] { return showsRed(); }, 5s)) << program.log();
        ASSERT_EQ(run("xdotool key ctrl+q"), 0);
        EXPECT_EQ(program.wait(5s), 0) << program.log();
        EXPECT_EQ(other.ramp("DUMMY0"), identity);
        EXPECT_TRUE(program.logged("Quit from the menu; giving the displays back"));
    }
};

TEST_F(TrayTest, DocksInAnXEmbedTrayAndAClickOpensThePanel) {
    ChildProcess tray({"trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel",
                       "--width", "120", "--height", "24"},
                      {{1, "/dev/null"}, {2, "/dev/null"}}, SIGTERM);
    ASSERT_GT(tray.pid(), 0) << "trayer is missing (scripts/deps.sh)";
    const Atom selection = XInternAtom(other.display(), "_NET_SYSTEM_TRAY_S0", False);
    ASSERT_TRUE(spin([&] { return XGetSelectionOwner(other.display(), selection) != None; }, 10s));

    Program program(home.path(), {"--clock-start=21:00"});
    std::optional<OurWindow> icon;
    ASSERT_TRUE(spin([&] { return (icon = find(other.display(), isIcon)).has_value(); }, 10s))
        << program.log();
    ASSERT_TRUE(spin([&] { return showsWarm(); }, 10s)) << program.log();

    // The tray may still be laying the icon out when it is first seen: a click that went
    // where the icon no longer is goes again, to where it is now.
    std::optional<OurWindow> panel;
    for (int click = 0; click < 5 && !panel; ++click) {
        icon = find(other.display(), isIcon).value_or(*icon);
        ASSERT_EQ(run("xdotool mousemove " + std::to_string(icon->x + icon->width / 2) + " " +
                      std::to_string(icon->y + icon->height / 2) + " click 1"),
                  0);
        spin([&] { return (panel = find(other.display(), isPanel)).has_value(); }, 4s);
    }
    ASSERT_TRUE(panel) << program.log();
    EXPECT_GE(panel->y, icon->y + icon->height);  // under the icon of a tray at the top
    ASSERT_TRUE(spin([&] { return program.logged("Opened the panel in"); }, 20s));
    pickRedThenQuit(program);
}

TEST_F(TrayTest, RegistersWithAStatusNotifierWatcherAndActivateOpensThePanel) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address().empty()) << "no dbus-daemon";
    FakeWatcher watcher(bus.address());
    ASSERT_TRUE(watcher.ok());

    Program program(home.path(), {"--clock-start=21:00"},
                    {"DBUS_SESSION_BUS_ADDRESS=" + bus.address()});
    ASSERT_TRUE(spin([&] { return watcher.item().has_value(); }, 10s)) << program.log();
    EXPECT_FALSE(find(other.display(), [](const OurWindow& w) { return w.docked; }));  // no XEmbed
    ASSERT_TRUE(spin([&] { return showsWarm(); }, 10s)) << program.log();

    ASSERT_EQ(run("xdotool mousemove 600 400"), 0);  // the panel opens at the pointer
    BusClient client(bus.address(), nullptr);
    ASSERT_TRUE(client.ok());
    sd_bus_error error = SD_BUS_ERROR_NULL;
    EXPECT_GE(sd_bus_call_method(client.raw(), watcher.item()->c_str(), "/StatusNotifierItem",
                                 "org.kde.StatusNotifierItem", "Activate", &error, nullptr, "ii",
                                 600, 400),
              0)
        << (error.message ? error.message : "");
    sd_bus_error_free(&error);
    std::optional<OurWindow> panel;
    ASSERT_TRUE(spin([&] { return (panel = find(other.display(), isPanel)).has_value(); }, 20s))
        << program.log();
    EXPECT_LE(std::abs(panel->x + 150 - 600), 1);  // centred on the pointer
    pickRedThenQuit(program);
}

}  // namespace
}  // namespace vesperine::testing_x11
