// The tray icon of the real program on the test X server, on both tray protocols: docked in
// an XEmbed tray (trayer) and clicked with xdotool; and registered with a StatusNotifierWatcher
// on a private session bus, activated through the item. Each opens the panel, whose mode
// picker changes the real ramps; Ctrl+Q in it ends the program as SIGTERM does.
#include <gtest/gtest.h>

#include <spawn.h>
#include <systemd/sd-bus.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "ProgramRun.h"
#include "Support/FakeWatcher.h"
#include "Support/PrivateBus.h"

namespace vesperine::testing_x11 {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

int run(const std::string& command) {
    return std::system(command.c_str());
}

// A window of the program: its place on the screen and whether another client holds it (a
// tray docks its icons inside its own window).
struct OurWindow {
    Window id = 0;
    bool docked = false;
    bool viewable = false;
    int x = 0, y = 0, width = 0, height = 0;
};

void collect(Display* display, Window window, Window root, std::vector<OurWindow>& found) {
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &rootReturn, &parent, &children, &count)) return;
    XClassHint hint{};
    if (XGetClassHint(display, window, &hint)) {
        if (hint.res_name && std::string(hint.res_name) == "vesperine") {
            XWindowAttributes attributes{};
            XGetWindowAttributes(display, window, &attributes);
            OurWindow ours{window, parent != root, attributes.map_state == IsViewable};
            Window child = 0;
            XTranslateCoordinates(display, window, root, 0, 0, &ours.x, &ours.y, &child);
            ours.width = attributes.width;
            ours.height = attributes.height;
            found.push_back(ours);
        }
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    for (unsigned int i = 0; i < count; ++i) collect(display, children[i], root, found);
    if (children) XFree(children);
}

std::vector<OurWindow> ourWindows(Display* display) {
    std::vector<OurWindow> found;
    const Window root = DefaultRootWindow(display);
    collect(display, root, root, found);
    return found;
}

std::optional<OurWindow> find(Display* display, const std::function<bool(const OurWindow&)>& what) {
    for (const auto& window : ourWindows(display)) {
        if (what(window)) return window;
    }
    return std::nullopt;
}

bool isPanel(const OurWindow& w) {
    return !w.docked && w.viewable && w.width == 300;
}
bool isIcon(const OurWindow& w) {
    return w.docked && w.viewable;
}

class TrayTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(x.display(), nullptr) << "no test X server";
        home = fs::temp_directory_path() / ("vesperine-tray-" + std::to_string(::getpid()));
        fs::remove_all(home);
        fs::create_directories(home);
        x.setRamp("DUMMY0", identity);
    }
    void TearDown() override {
        x.setRamp("DUMMY0", identity);
        fs::remove_all(home);
    }
    // The schedule's Warm 3400 K at 21:00; Red at 80% once picked; untouched once given back.
    bool shows(double r, double b) const {
        const Ramp now = x.ramp("DUMMY0");
        return !now.r.empty() && std::abs(end(now.r) - r) < 0.01 && std::abs(end(now.b) - b) < 0.01;
    }
    bool showsWarm() const { return shows(1.0, 0.527); }
    bool showsRed() const { return shows(0.8, 0.0); }
    bool givenBack() const { return x.ramp("DUMMY0") == identity; }
    // Picks Red in the open panel (the keyboard starts on the mode shown), then quits from it.
    void pickRedThenQuit(Program& program) {
        ASSERT_EQ(run("xdotool key Right"), 0);
        EXPECT_TRUE(spin([&] { return showsRed(); }, 5s)) << program.log();
        ASSERT_EQ(run("xdotool key ctrl+q"), 0);
        EXPECT_EQ(program.wait(5s), 0) << program.log();
        EXPECT_TRUE(givenBack());
        EXPECT_NE(program.log().find("Quit from the menu; giving the displays back"),
                  std::string::npos);
    }

    XClient x;
    fs::path home;
};

TEST_F(TrayTest, DocksInAnXEmbedTrayAndAClickOpensThePanel) {
    ChildProcess tray({"trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel",
                       "--width", "120", "--height", "24"},
                      {{1, "/dev/null"}, {2, "/dev/null"}}, SIGTERM);
    ASSERT_GT(tray.pid(), 0) << "trayer is missing (scripts/deps.sh)";
    const Atom selection = XInternAtom(x.display(), "_NET_SYSTEM_TRAY_S0", False);
    ASSERT_TRUE(spin([&] { return XGetSelectionOwner(x.display(), selection) != None; }, 10s));

    Program program(home, {"--clock-start=21:00"});
    std::optional<OurWindow> icon;
    ASSERT_TRUE(spin([&] { return (icon = find(x.display(), isIcon)).has_value(); }, 10s))
        << program.log();
    ASSERT_TRUE(spin([&] { return showsWarm(); }, 10s)) << program.log();

    // The tray may still be laying the icon out when it is first seen: a click that went
    // where the icon no longer is goes again, to where it is now.
    std::optional<OurWindow> panel;
    for (int click = 0; click < 5 && !panel; ++click) {
        icon = find(x.display(), isIcon).value_or(*icon);
        ASSERT_EQ(run("xdotool mousemove " + std::to_string(icon->x + icon->width / 2) + " " +
                      std::to_string(icon->y + icon->height / 2) + " click 1"),
                  0);
        spin([&] { return (panel = find(x.display(), isPanel)).has_value(); }, 4s);
    }
    ASSERT_TRUE(panel) << program.log();
    EXPECT_GE(panel->y, icon->y + icon->height);  // under the icon of a tray at the top
    ASSERT_TRUE(
        spin([&] { return program.log().find("Opened the panel in") != std::string::npos; }, 20s));
    pickRedThenQuit(program);
}

TEST_F(TrayTest, RegistersWithAStatusNotifierWatcherAndActivateOpensThePanel) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address().empty()) << "no dbus-daemon";
    FakeWatcher watcher(bus.address());
    ASSERT_TRUE(watcher.ok());

    Program program(home, {"--clock-start=21:00"}, {"DBUS_SESSION_BUS_ADDRESS=" + bus.address()});
    ASSERT_TRUE(spin([&] { return watcher.item().has_value(); }, 10s)) << program.log();
    EXPECT_FALSE(find(x.display(), [](const OurWindow& w) { return w.docked; }));  // no XEmbed
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
    ASSERT_TRUE(spin([&] { return (panel = find(x.display(), isPanel)).has_value(); }, 20s))
        << program.log();
    EXPECT_LE(std::abs(panel->x + 150 - 600), 1);  // centred on the pointer
    pickRedThenQuit(program);
}

}  // namespace
}  // namespace vesperine::testing_x11
