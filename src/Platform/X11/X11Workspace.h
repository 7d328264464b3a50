#pragma once

#include "Platform/X11/XlibIncludes.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Platform/Linux/Install/DesktopEntries.h"
#include "Platform/Logger.h"
#include "Platform/Workspace.h"
#include "Platform/X11/X11Connection.h"
#include "Platform/X11/X11WindowProperties.h"
#include "Support/CallbackList.h"

namespace vesperine {

// The applications on an X desktop, from what the window manager publishes (EWMH): the
// application in front is that of the root window's _NET_ACTIVE_WINDOW, the running ones are
// those of _NET_CLIENT_LIST, and an application quits when the last of its windows leaves
// that list. Full screen is _NET_WM_STATE_FULLSCREEN in the _NET_WM_STATE of the active
// window. Everything follows PropertyNotify events on the connection; nothing is polled.
//
// Only applications with a window a person would call one are listed as running: a window
// of the normal or dialog _NET_WM_WINDOW_TYPE (or without one) that is not kept off the
// taskbar (_NET_WM_STATE_SKIP_TASKBAR). Docks, panels, desktops and the like are left out;
// they still count as windows for the application in front and for quitting.
//
// A window's application is found once, when it is first seen, from its _GTK_APPLICATION_ID,
// _KDE_NET_WM_DESKTOP_FILE, WM_CLASS and the executable of its _NET_WM_PID, matched against
// the desktop entries (see DesktopEntries::identify); the entries are read again when a
// window of an application they do not know appears and their folders have changed. Windows
// of this program's own process (their _NET_WM_PID is ours and they were made on this
// machine, by WM_CLIENT_MACHINE) are reported as `self`.
//
// Windows that vanish before they are read, and properties of the wrong type, format or size,
// are skipped; each kind is logged once. The connection, the entries and the logger are
// borrowed and must outlive the workspace.
class X11Workspace final : public Workspace {
public:
    X11Workspace(X11Connection& connection, DesktopEntries& entries, RunningApplication self,
                 Logger& logger);
    ~X11Workspace() override;
    X11Workspace(const X11Workspace&) = delete;
    X11Workspace& operator=(const X11Workspace&) = delete;

    const Observable<Frontmost>& frontmost() const override { return frontmost_; }
    void followFullScreen(bool follow) override;
    std::vector<RunningApplication> runningApplications() override;
    Handle observeTerminations(std::function<void(const RunningApplication&)> callback) override {
        return terminations_.add(std::move(callback));
    }

private:
    void onEvent(const XEvent& event);
    void updateFrontmost();
    void updateClients();
    // The application of `window`; none when the window has gone away.
    std::optional<RunningApplication> lookup(Window window);
    std::optional<RunningApplication> identify(Window window);
    // Whether `window` is one a person thinks of as an application's: of the normal or dialog
    // type (or of none) and not kept off the taskbar. False for a window that has gone.
    bool isApplicationWindow(Window window);
    Window readActiveWindow();
    bool readFullScreen(Window window);
    // Selects property changes of `window` (None: of no window) instead of the last one.
    void watch(Window window);
    void reportOnce(const std::string& kind, const std::string& message);

    X11Connection& connection_;
    Display* display_;
    DesktopEntries& entries_;
    RunningApplication self_;
    std::string hostName_;
    Log log_;
    X11WindowProperties properties_;
    struct Atoms {
        Atom activeWindow = 0, clientList = 0, wmState = 0, fullScreen = 0, wmPid = 0,
             gtkApplicationID = 0, kdeDesktopFile = 0, skipTaskbar = 0, windowType = 0;
        std::vector<Atom> applicationTypes;  // normal, dialog
        std::vector<Atom> otherTypes;        // dock, desktop, toolbar, menu, utility, ...
    } atoms_;
    Window watched_ = 0;
    bool follows_ = false;
    std::vector<Window> clientOrder_;
    std::map<Window, RunningApplication> clients_;
    std::optional<std::pair<Window, RunningApplication>> stray_;  // an active window not listed
    Observable<Frontmost> frontmost_;
    CallbackList<const RunningApplication&> terminations_;
    std::set<std::string> reported_;
    Handle listener_;
};

}  // namespace vesperine
