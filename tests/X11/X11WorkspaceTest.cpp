#include "X11Harness.h"

#include "Platform/X11/X11Workspace.h"
#include "Support/TempFolder.h"

namespace vesperine::testing_x11 {
namespace {

// Plays the window manager and the applications on the test server: windows with the
// properties applications set, and the root window's active window and client list.
class Desktop : public XClient {
public:
    ~Desktop() {
        if (display()) forget();
    }
    // A window, with this WM_CLASS ("instance\0class\0") when given one.
    Window window(const std::string& wmClass = "") {
        const Window w = XCreateSimpleWindow(display(), root(), 0, 0, 10, 10, 0, 0, 0);
        if (!wmClass.empty()) text(w, "WM_CLASS", wmClass, "STRING");
        return w;
    }
    void active(Window w) { longs(root(), "_NET_ACTIVE_WINDOW", "WINDOW", {long(w)}); }
    void clients(const std::vector<Window>& list) {
        longs(root(), "_NET_CLIENT_LIST", "WINDOW", {list.begin(), list.end()});
    }
    void fullScreen(Window w, bool on) {
        std::vector<long> states{long(atom("_NET_WM_STATE_ABOVE"))};
        if (on) states.push_back(long(atom("_NET_WM_STATE_FULLSCREEN")));
        longs(w, "_NET_WM_STATE", "ATOM", states);
    }
    void destroy(Window w) {
        XDestroyWindow(display(), w);
        XSync(display(), False);
    }
    void forget() {
        XDeleteProperty(display(), root(), atom("_NET_ACTIVE_WINDOW"));
        XDeleteProperty(display(), root(), atom("_NET_CLIENT_LIST"));
        XSync(display(), False);
    }
};

class X11WorkspaceTest : public X11Test<Desktop> {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (HasFatalFailure()) return;
        desktop.forget();
        ASSERT_GT(child.pid(), 0);
        apps.write("vlc.desktop", "[Desktop Entry]\nType=Application\nName=VLC media player\n"
                                  "StartupWMClass=vlc\n");
        apps.write("org.gnome.Totem.desktop", "[Desktop Entry]\nType=Application\nName=Videos\n");
        workspace = std::make_unique<X11Workspace>(*connection, entries, self, logger);
    }
    // A window of the child's process with this WM_CLASS.
    Window childWindow(const std::string& wmClass) {
        const Window w = desktop.window(wmClass);
        desktop.longs(w, "_NET_WM_PID", "CARDINAL", {child.pid()});
        return w;
    }
    const Workspace::Frontmost& front() const { return workspace->frontmost().get(); }
    bool waitForFront(const std::optional<RunningApplication>& expected) {
        return spin([&] { return front().application == expected; });
    }

    const std::string vlcClass{"vlc\0vlc\0", 8};
    Desktop& desktop = other;
    ChildProcess child{{"/bin/sleep", "60"}};  // an application that is not this process
    const RunningApplication vlc{"vlc", "VLC media player", child.pid()};
    TempFolder apps;
    DesktopEntries entries{{apps.root()}, "", logger};
    const RunningApplication self{"com.brevan.vesperine", "Vesperine", ::getpid()};
    std::unique_ptr<X11Workspace> workspace;
};

TEST_F(X11WorkspaceTest, TheActiveWindowsApplicationIsInFront) {
    auto pid = [&](Window w, long id) { desktop.longs(w, "_NET_WM_PID", "CARDINAL", {id}); };
    auto text = [&](Window w, const char* name, const std::string& value) {
        desktop.text(w, name, value);
    };
    auto wmClass = [&](Window w, const std::string& value) { text(w, "WM_CLASS", value); };
    const RunningApplication totem{"org.gnome.Totem", "Videos", 0},
        sleeper{"sleep", std::nullopt, child.pid()};
    const std::tuple<const char*, std::function<void(Window)>, RunningApplication> cases[] = {
        {"WM_CLASS claimed by an entry",
         [&](Window w) { wmClass(w, vlcClass), pid(w, child.pid()); }, vlc},
        {"application id", [&](Window w) { text(w, "_GTK_APPLICATION_ID", "org.gnome.Totem"); },
         totem},
        {"only a process: its executable", [&](Window w) { pid(w, child.pid()); }, sleeper},
        {"no identity at all", [](Window) {}, {}},
        {"our own process", [&](Window w) { pid(w, ::getpid()); }, self},
        {"a huge WM_CLASS is ignored",
         [&](Window w) { wmClass(w, std::string(100000, 'v')), pid(w, child.pid()); }, sleeper},
        {"a process id of the wrong type is ignored",
         [&](Window w) { wmClass(w, vlcClass), text(w, "_NET_WM_PID", "1234"); },
         {"vlc", "VLC media player", 0}},
    };
    for (const auto& [name, setUp, app] : cases) {
        SCOPED_TRACE(name);
        Window w = desktop.window();
        setUp(w);
        desktop.clients({w});
        desktop.active(w);
        EXPECT_TRUE(waitForFront(app));
        desktop.active(0);
        EXPECT_TRUE(waitForFront(std::nullopt));
        desktop.destroy(w);
    }
    EXPECT_EQ(logger.count("WM_CLASS"), 1u);
    EXPECT_EQ(logger.count("_NET_WM_PID"), 1u);
}

TEST_F(X11WorkspaceTest, ABadActiveWindowIsSkippedAndTheNextOneCounts) {
    Window good = childWindow(vlcClass), gone = desktop.window();
    desktop.destroy(gone);
    const std::function<void()> bad[] = {
        [&] { desktop.active(gone); },
        [&] { desktop.longs(desktop.root(), "_NET_ACTIVE_WINDOW", "CARDINAL", {long(good)}); },
        [&] { desktop.text(desktop.root(), "_NET_ACTIVE_WINDOW", std::string(4096, 'x')); },
    };
    for (const auto& makeBad : bad) {
        desktop.active(good);
        ASSERT_TRUE(waitForFront(vlc));
        makeBad();
        EXPECT_TRUE(waitForFront(std::nullopt));
    }
    desktop.active(good);
    EXPECT_TRUE(waitForFront(vlc));
    EXPECT_EQ(logger.count("went away"), 1u);
    EXPECT_EQ(logger.count("is not a window"), 1u);  // once for both malformed values
}

TEST_F(X11WorkspaceTest, FullScreenOfTheActiveWindowIsFollowedOnlyWhenAsked) {
    Window film = childWindow(vlcClass);
    desktop.fullScreen(film, true);
    desktop.active(film);
    ASSERT_TRUE(waitForFront(vlc));
    EXPECT_FALSE(front().fullScreen);  // not followed yet
    workspace->followFullScreen(true);
    EXPECT_TRUE(front().fullScreen);  // at once
    desktop.fullScreen(film, false);
    EXPECT_TRUE(spin([&] { return !front().fullScreen; }, 2s));

    workspace->followFullScreen(false);
    desktop.fullScreen(film, true);
    spinFor(100ms);
    EXPECT_FALSE(front().fullScreen);
}

TEST_F(X11WorkspaceTest, AnApplicationQuitsWithItsLastWindow) {
    std::vector<RunningApplication> quit;
    Handle observer = workspace->observeTerminations([&](const auto& app) { quit.push_back(app); });
    const RunningApplication videos{"org.gnome.Totem", "Videos", 0};
    Window first = childWindow(vlcClass), second = childWindow(vlcClass), totem = desktop.window();
    desktop.text(totem, "_GTK_APPLICATION_ID", "org.gnome.Totem");
    // Windows of programs that are no applications to a person: a tray panel (trayer) and a
    // window kept off the taskbar. A dialog is an application's window.
    using namespace std::string_literals;
    Window dock = desktop.window("trayer\0trayer\0"s), hidden = desktop.window("hidden\0Hidden\0"s),
           dialog = desktop.window("dialog\0Dialog\0"s);
    const auto type = [&](Window w, std::vector<const char*> names) {
        std::vector<long> atoms;
        for (const char* name : names) atoms.push_back(long(desktop.atom(name)));
        desktop.longs(w, "_NET_WM_WINDOW_TYPE", "ATOM", atoms);
    };
    type(dock, {"_KDE_NET_WM_WINDOW_TYPE_OVERRIDE", "_NET_WM_WINDOW_TYPE_DOCK"});
    desktop.longs(hidden, "_NET_WM_STATE", "ATOM",
                  {long(desktop.atom("_NET_WM_STATE_SKIP_TASKBAR"))});
    type(dialog, {"_NET_WM_WINDOW_TYPE_DIALOG", "_NET_WM_WINDOW_TYPE_NORMAL"});
    const RunningApplication trayer{"trayer", std::nullopt, 0}, dialogs{"Dialog", std::nullopt, 0},
        hiddenApp{"Hidden", std::nullopt, 0};
    // A change of the client list, the applications running and those that quit since.
    using Apps = std::vector<RunningApplication>;
    const std::tuple<const char*, std::function<void()>, Apps, Apps> steps[] = {
        {"all listed, but not the panel or what keeps off the taskbar",
         [&] { desktop.clients({dock, first, hidden, second, totem, dialog}); },
         {vlc, videos, dialogs}, {}},
        {"the dialog closed", [&] { desktop.clients({dock, first, hidden, second, totem}); },
         {vlc, videos}, {dialogs}},
        {"one of two windows closed", [&] { desktop.clients({dock, hidden, second, totem}); },
         {vlc, videos}, {dialogs}},
        {"a list that is none", [&] { desktop.text(desktop.root(), "_NET_CLIENT_LIST", "x"); },
         {vlc, videos}, {dialogs}},
        {"the last window closed", [&] { desktop.clients({dock, hidden, totem}); }, {videos},
         {dialogs, vlc}},
        {"nothing left", [&] { desktop.clients({}); }, {},
         {dialogs, vlc, videos, trayer, hiddenApp}},
    };
    for (const auto& [name, change, running, gone] : steps) {
        SCOPED_TRACE(name);
        change();
        spinFor(100ms);  // what the change would (wrongly) bring has arrived
        spin([&] { return workspace->runningApplications() == running && quit == gone; });
        EXPECT_EQ(workspace->runningApplications(), running);
        EXPECT_EQ(quit, gone);
    }
    EXPECT_EQ(logger.count("_NET_CLIENT_LIST"), 1u);
}

}  // namespace
}  // namespace vesperine::testing_x11
