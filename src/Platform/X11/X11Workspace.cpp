#include "Platform/X11/X11Workspace.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "Platform/Linux/Process/ProcessInfo.h"

namespace vesperine {

namespace {

// Sizes read, in 32-bit units. An id or a class name is a few dozen bytes; a client list of
// more windows than this is not a desktop.
constexpr long textLength = 256;
constexpr long stateLength = 64;
constexpr long clientListLength = 1 << 16;
// Linux process ids stay below 2^22.
constexpr unsigned long largestProcessID = 1ul << 22;

bool sameApplication(const RunningApplication& a, const RunningApplication& b) {
    return a.bundleID == b.bundleID && a.processID == b.processID;
}

// Host names compare by their first label: one side may be fully qualified.
bool sameHost(const std::string& a, const std::string& b) {
    return a.substr(0, a.find('.')) == b.substr(0, b.find('.'));
}

std::string hex(Window window) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", window);
    return text;
}

}  // namespace

X11Workspace::X11Workspace(X11Connection& connection, DesktopEntries& entries,
                           RunningApplication self, Logger& logger)
    : connection_(connection),
      display_(connection.display()),
      entries_(entries),
      self_(std::move(self)),
      log_(logger, "workspace"),
      properties_(connection.display()) {
    char host[256] = {0};
    if (::gethostname(host, sizeof host - 1) == 0) hostName_ = host;
    if (!connection_.isAlive()) return;

    const char* names[] = {"_NET_ACTIVE_WINDOW",         "_NET_CLIENT_LIST",
                           "_NET_WM_STATE",              "_NET_WM_STATE_FULLSCREEN",
                           "_NET_WM_PID",                "_GTK_APPLICATION_ID",
                           "_KDE_NET_WM_DESKTOP_FILE",   "_NET_WM_STATE_SKIP_TASKBAR",
                           "_NET_WM_WINDOW_TYPE",        "_NET_WM_WINDOW_TYPE_NORMAL",
                           "_NET_WM_WINDOW_TYPE_DIALOG", "_NET_WM_WINDOW_TYPE_DESKTOP",
                           "_NET_WM_WINDOW_TYPE_DOCK",   "_NET_WM_WINDOW_TYPE_TOOLBAR",
                           "_NET_WM_WINDOW_TYPE_MENU",   "_NET_WM_WINDOW_TYPE_UTILITY",
                           "_NET_WM_WINDOW_TYPE_SPLASH", "_NET_WM_WINDOW_TYPE_NOTIFICATION"};
    Atom atoms[std::size(names)] = {};
    {
        X11ErrorTrap trap(display_);
        XInternAtoms(display_, const_cast<char**>(names), std::size(names), False, atoms);
        // Other backends listen on the root window too: add to this client's mask.
        XWindowAttributes attributes{};
        long mask = 0;
        if (XGetWindowAttributes(display_, connection_.root(), &attributes))
            mask = attributes.your_event_mask;
        XSelectInput(display_, connection_.root(), mask | PropertyChangeMask);
        if (auto status = trap.check(); !status.ok()) {
            log_.error("Couldn't follow the windows: %s", status.error().description.c_str());
            return;
        }
    }
    atoms_.activeWindow = atoms[0];
    atoms_.clientList = atoms[1];
    atoms_.wmState = atoms[2];
    atoms_.fullScreen = atoms[3];
    atoms_.wmPid = atoms[4];
    atoms_.gtkApplicationID = atoms[5];
    atoms_.kdeDesktopFile = atoms[6];
    atoms_.skipTaskbar = atoms[7];
    atoms_.windowType = atoms[8];
    atoms_.applicationTypes = {atoms[9], atoms[10]};
    atoms_.otherTypes.assign(atoms + 11, atoms + std::size(names));
    listener_ = connection_.addListener([this](const XEvent& event) { onEvent(event); });
    updateClients();
    updateFrontmost();
    connection_.dispatchQueuedSoon();
}

X11Workspace::~X11Workspace() {
    listener_.cancel();
    if (connection_.isAlive() && watched_ != 0) {
        X11ErrorTrap trap(display_);
        watch(0);
    }
}

void X11Workspace::followFullScreen(bool follow) {
    if (follow == follows_) return;
    follows_ = follow;
    updateFrontmost();
    connection_.dispatchQueuedSoon();
}

std::vector<RunningApplication> X11Workspace::runningApplications() {
    std::vector<RunningApplication> out;
    if (!connection_.isAlive()) return out;
    X11ErrorTrap trap(display_);
    for (Window window : clientOrder_) {
        const auto& app = clients_.at(window);
        auto seen = [&](const RunningApplication& other) { return sameApplication(app, other); };
        if (std::none_of(out.begin(), out.end(), seen) && isApplicationWindow(window))
            out.push_back(app);
    }
    (void)trap.check();  // a window gone since the list was read: it is left out
    return out;
}

bool X11Workspace::isApplicationWindow(Window window) {
    // Read now rather than when the window was first seen: a window may leave or join the
    // taskbar at any time, and this is asked only when someone looks at the list.
    auto types = properties_.read(window, atoms_.windowType, stateLength);
    if (!types) return false;  // gone
    if (*types) {
        // EWMH: the types in order of preference; a window manager takes the first it knows.
        // A window with none it knows, like one without the property, is a normal window.
        for (unsigned long type : (*types)->list(XA_ATOM).value_or(std::vector<unsigned long>{})) {
            if (std::count(atoms_.applicationTypes.begin(), atoms_.applicationTypes.end(), type))
                break;
            if (std::count(atoms_.otherTypes.begin(), atoms_.otherTypes.end(), type)) return false;
        }
    }
    auto states = properties_.read(window, atoms_.wmState, stateLength);
    if (!states) return false;
    if (!*states) return true;
    const auto list = (*states)->list(XA_ATOM).value_or(std::vector<unsigned long>{});
    return std::find(list.begin(), list.end(), atoms_.skipTaskbar) == list.end();
}

void X11Workspace::onEvent(const XEvent& event) {
    if (event.type != PropertyNotify) return;
    const XPropertyEvent& change = event.xproperty;
    if (change.window == connection_.root()) {
        if (change.atom == atoms_.activeWindow) updateFrontmost();
        if (change.atom == atoms_.clientList) updateClients();
    } else if (change.window == watched_ && change.atom == atoms_.wmState) {
        updateFrontmost();
    }
}

void X11Workspace::updateFrontmost() {
    if (!connection_.isAlive()) return;
    Frontmost next;
    {
        X11ErrorTrap trap(display_);
        const Window active = readActiveWindow();
        // Watch before reading, so that a change in between still arrives.
        watch(follows_ ? active : 0);
        if (active != 0) {
            next.application = lookup(active);
            if (next.application && follows_) next.fullScreen = readFullScreen(active);
        }
        // Remember an unlisted active window's application only while it stays active.
        if (stray_ && stray_->first != active) stray_.reset();
        if (next.application && !stray_ && !clients_.count(active))
            stray_.emplace(active, *next.application);
        (void)trap.check();  // a window gone before it was watched: nothing to do
    }
    // Observers run outside the trap: what they do is no business of ours.
    frontmost_.set(std::move(next));
}

void X11Workspace::updateClients() {
    if (!connection_.isAlive()) return;
    std::vector<RunningApplication> quit;
    {
        X11ErrorTrap trap(display_);
        auto read = properties_.read(connection_.root(), atoms_.clientList, clientListLength);
        if (!read || !*read) return;  // no window manager to tell: nothing is known to quit
        auto list = (*read)->list(XA_WINDOW);
        if (!list) {
            reportOnce("clientList",
                       "The window manager's _NET_CLIENT_LIST is not a window list; ignored");
            return;
        }
        if ((*read)->truncated) {
            reportOnce("clientListLength", "The window manager lists more than " +
                                               std::to_string(clientListLength) +
                                               " windows; the rest are not followed");
        }
        std::map<Window, RunningApplication> next;
        std::vector<Window> order;
        for (Window window : *list) {
            if (next.count(window)) continue;
            auto known = clients_.find(window);
            auto app = known != clients_.end() ? std::optional(known->second) : lookup(window);
            if (!app) continue;
            next.emplace(window, std::move(*app));
            order.push_back(window);
        }
        for (const auto& [window, app] : clients_) {
            if (next.count(window)) continue;
            auto same = [&](const auto& other) { return sameApplication(app, other.second); };
            if (std::any_of(next.begin(), next.end(), same)) continue;
            auto listed = [&](const auto& other) { return sameApplication(app, other); };
            if (std::none_of(quit.begin(), quit.end(), listed)) quit.push_back(app);
        }
        clients_ = std::move(next);
        clientOrder_ = std::move(order);
        (void)trap.check();
    }
    for (const auto& app : quit) terminations_.notify(app);
}

std::optional<RunningApplication> X11Workspace::lookup(Window window) {
    if (auto known = clients_.find(window); known != clients_.end()) return known->second;
    if (stray_ && stray_->first == window) return stray_->second;
    auto app = identify(window);
    if (!app) {
        reportOnce("vanished",
                   "Window " + hex(window) +
                       " went away before it could be read (later ones are not logged)");
    }
    return app;
}

std::optional<RunningApplication> X11Workspace::identify(Window window) {
    bool gone = false;
    auto read = [&](Atom atom, long length) -> std::optional<X11Property> {
        if (gone) return std::nullopt;
        auto property = properties_.read(window, atom, length);
        if (!property) gone = true;
        return property ? *property : std::nullopt;
    };
    auto text = [&](Atom atom, const char* name) -> std::optional<std::string> {
        auto property = read(atom, textLength);
        if (!property) return std::nullopt;
        auto value = property->text();
        if (!value)
            reportOnce(name, std::string("A window's ") + name +
                                 " is not text of a sensible size; ignored");
        return value;
    };

    DesktopEntries::Hints hints;
    hints.gtkApplicationID = text(atoms_.gtkApplicationID, "_GTK_APPLICATION_ID");
    hints.kdeDesktopFile = text(atoms_.kdeDesktopFile, "_KDE_NET_WM_DESKTOP_FILE");
    if (auto wmClass = read(XA_WM_CLASS, textLength)) {
        auto parts = wmClass->strings();
        if (parts.empty())
            reportOnce("WM_CLASS",
                       "A window's WM_CLASS is not two names of a sensible size; ignored");
        if (parts.size() > 0 && !parts[0].empty()) hints.wmInstance = parts[0];
        if (parts.size() > 1 && !parts[1].empty()) hints.wmClass = parts[1];
    }
    std::int64_t pid = 0;
    if (auto property = read(atoms_.wmPid, 1)) {
        auto value = property->single(XA_CARDINAL);
        if (value && *value > 0 && *value < largestProcessID) {
            pid = static_cast<std::int64_t>(*value);
        } else {
            reportOnce("_NET_WM_PID", "A window's _NET_WM_PID is not a process id; ignored");
        }
    }
    // A process id means nothing on another machine.
    if (auto machine = read(XA_WM_CLIENT_MACHINE, textLength)) {
        auto host = machine->text();
        if (host && !hostName_.empty() && !sameHost(*host, hostName_)) pid = 0;
    }
    if (gone) return std::nullopt;

    if (pid != 0 && pid == self_.processID) return self_;
    if (pid != 0) hints.executable = ProcessInfo::executableName(pid);
    auto app = entries_.identify(hints);
    // An application installed since the entries were read.
    if (!app.name && entries_.refreshIfChanged()) app = entries_.identify(hints);
    app.processID = pid;
    return app;
}

Window X11Workspace::readActiveWindow() {
    auto read = properties_.read(connection_.root(), atoms_.activeWindow, 1);
    if (!read || !*read) return 0;
    auto window = (*read)->single(XA_WINDOW);
    if (!window) {
        reportOnce("activeWindow",
                   "The window manager's _NET_ACTIVE_WINDOW is not a window; ignored");
        return 0;
    }
    return *window;
}

bool X11Workspace::readFullScreen(Window window) {
    auto read = properties_.read(window, atoms_.wmState, stateLength);
    if (!read || !*read) return false;
    auto states = (*read)->list(XA_ATOM);
    if (!states) {
        reportOnce("_NET_WM_STATE", "A window's _NET_WM_STATE is not a list of atoms; ignored");
        return false;
    }
    return std::find(states->begin(), states->end(), atoms_.fullScreen) != states->end();
}

void X11Workspace::watch(Window window) {
    // The root window's mask is shared with the other backends and never changed here.
    if (window == connection_.root()) window = 0;
    if (window == watched_) return;
    if (watched_ != 0) XSelectInput(display_, watched_, NoEventMask);
    if (window != 0) XSelectInput(display_, window, PropertyChangeMask);
    watched_ = window;
}

void X11Workspace::reportOnce(const std::string& kind, const std::string& message) {
    if (!reported_.insert(kind).second) return;
    log_.info("%s", message.c_str());
}

}  // namespace vesperine
