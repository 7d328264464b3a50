// What the real-display tests share: another client of the test server (ramps, outputs,
// properties), ramps to compare, an X server of a test's own, and a fixture with our
// connection and RandR displays on the program's loop, the server put back to one
// identity-ramped monitor around each test.
#pragma once

// gtest and Qt before the X headers, whose macros (None, KeyPress, ...) they would meet; so
// test files include this header first.
#include <gtest/gtest.h>

#include "Platform/Linux/System/GLibMainLoop.h"
#include "Qt/Spin.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/X11/X11Connection.h"
#include "Platform/X11/X11Displays.h"
#include "Platform/X11/XlibIncludes.h"
#include "Support/ChildProcess.h"

namespace vesperine::testing_x11 {

using namespace std::chrono_literals;

struct Ramp {
    std::vector<unsigned short> r, g, b;
    bool operator==(const Ramp&) const = default;
};

// `own` scaled per channel, as the server should hold it (16-bit, rounded).
inline Ramp scaled(const Ramp& own, double r, double g, double b) {
    auto scale = [](std::vector<unsigned short> in, double gain) {
        for (auto& v : in) v = static_cast<unsigned short>(std::lround(v * gain));
        return in;
    };
    return {scale(own.r, r), scale(own.g, g), scale(own.b, b)};
}

// A ramp of `size` entries: entry i = (i / (size - 1))^exponent × end, per channel.
inline Ramp curve(std::size_t size, double exponent, double rEnd = 1, double gEnd = 1,
                  double bEnd = 1) {
    Ramp result;
    for (std::size_t i = 0; i < size; ++i) {
        const double x = std::pow(double(i) / double(size - 1), exponent) * 65535;
        for (auto [c, end] : {std::pair{&result.r, rEnd}, {&result.g, gEnd}, {&result.b, bEnd}})
            c->push_back(static_cast<unsigned short>(std::lround(x * end)));
    }
    return result;
}
inline const Ramp identity = curve(256, 1.0);

// The end of a channel as a fraction of full scale.
inline double end(const std::vector<unsigned short>& channel) {
    return channel.empty() ? -1 : channel.back() / 65535.0;
}

// Largest difference, in ramp units (1/65535), between two ramps over all channels.
inline int maxDifference(const Ramp& a, const Ramp& b) {
    if (a.r.size() != b.r.size()) return 65535;
    int worst = 0;
    for (auto channel : {&Ramp::r, &Ramp::g, &Ramp::b})
        for (std::size_t i = 0; i < a.r.size(); ++i)
            worst = std::max(worst, std::abs(int((a.*channel)[i]) - int((b.*channel)[i])));
    return worst;
}

// Another program on the test server: reads and writes CRTC gamma ramps directly and sets
// properties, as a second client would.
class XClient {
public:
    // Connects to `name`, by default $DISPLAY.
    explicit XClient(const char* name = nullptr) : display_(XOpenDisplay(name)) {}
    ~XClient() {
        if (display_) XCloseDisplay(display_);
    }
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    Display* display() const { return display_; }
    Window root() const { return DefaultRootWindow(display_); }
    Atom atom(const char* name) const { return XInternAtom(display_, name, False); }
    // After the server is gone: forget the connection without a request that would meet
    // the dead socket (Xlib's default handler would end the test program there).
    void abandon() { display_ = nullptr; }

    // The XID of the named output (the display id of the backend), 0 if none.
    RROutput output(const std::string& name) const { return find(name).first; }

    Ramp ramp(const std::string& name) const {
        const RRCrtc id = find(name).second;
        XRRCrtcGamma* gamma = id ? XRRGetCrtcGamma(display_, id) : nullptr;
        if (!gamma) return {};
        const auto channel = [&](unsigned short* c) { return std::vector(c, c + gamma->size); };
        Ramp result{channel(gamma->red), channel(gamma->green), channel(gamma->blue)};
        XRRFreeGamma(gamma);
        return result;
    }
    void setRamp(const std::string& name, const Ramp& ramp) const {
        const RRCrtc id = find(name).second;
        if (!id || ramp.r.empty()) return;
        XRRCrtcGamma* gamma = XRRAllocGamma(static_cast<int>(ramp.r.size()));
        std::copy(ramp.r.begin(), ramp.r.end(), gamma->red);
        std::copy(ramp.g.begin(), ramp.g.end(), gamma->green);
        std::copy(ramp.b.begin(), ramp.b.end(), gamma->blue);
        XRRSetCrtcGamma(display_, id, gamma);
        XRRFreeGamma(gamma);
        XSync(display_, False);
    }

    void set(Window w, const char* property, const char* type, int format, const void* data,
             int n) const {
        XChangeProperty(display_, w, atom(property), atom(type), format, PropModeReplace,
                        static_cast<const unsigned char*>(data), n);
        XSync(display_, False);
    }
    void text(Window w, const char* property, const std::string& bytes,
              const char* type = "UTF8_STRING") const {
        set(w, property, type, 8, bytes.data(), static_cast<int>(bytes.size()));
    }
    void longs(Window w, const char* property, const char* type, std::vector<long> values) const {
        set(w, property, type, 32, values.data(), static_cast<int>(values.size()));
    }

private:
    std::pair<RROutput, RRCrtc> find(const std::string& name) const {
        std::pair<RROutput, RRCrtc> found{0, 0};
        XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root());
        for (int i = 0; resources && i < resources->noutput; ++i) {
            XRROutputInfo* info = XRRGetOutputInfo(display_, resources, resources->outputs[i]);
            if (info && name == std::string(info->name, std::size_t(info->nameLen)))
                found = {resources->outputs[i], info->crtc};
            if (info) XRRFreeOutputInfo(info);
        }
        if (resources) XRRFreeScreenResources(resources);
        return found;
    }

    Display* display_;
};

// The dummy driver's second output, switched on and off as a user would with xrandr.
inline bool xrandr(const std::string& arguments) {
    return std::system(("xrandr " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}
inline bool addSecondMonitor() {
    xrandr("--addmode DUMMY1 1024x768");
    return xrandr("--output DUMMY1 --mode 1024x768 --right-of DUMMY0");
}
inline bool removeSecondMonitor() { return xrandr("--output DUMMY1 --off"); }

// An Xorg of the test's own on a display number no server uses (the start of the search
// depends on the process, so test runs side by side do not meet), ended when this goes.
class PrivateServer {
public:
    explicit PrivateServer(const std::string& name = freeDisplay())
        : name_(name),
          log_(std::filesystem::temp_directory_path() / ("vesperine-xorg" + name_.substr(1))),
          server_({"Xorg", name_, "-config", VESPERINE_XORG_CONFIG, "-noreset", "-nolisten", "tcp",
                   "-logfile", log_, "-quiet"},
                  {{1, "/dev/null"}, {2, "/dev/null"}}, SIGTERM) {}
    ~PrivateServer() {
        const pid_t pid = server_.pid();
        server_.signal(SIGTERM);
        server_.wait(5s);
        // What the server leaves behind when it was killed: its lock (which holds its
        // process id) and socket.
        const std::string lock = "/tmp/.X" + name_.substr(1) + "-lock";
        pid_t holder = 0;
        if (std::ifstream(lock) >> holder && holder == pid) {
            std::filesystem::remove(lock);
            std::filesystem::remove("/tmp/.X11-unix/X" + name_.substr(1));
        }
        std::filesystem::remove(log_);
    }

    const std::string& name() const { return name_; }
    pid_t pid() const { return server_.pid(); }
    // A client of this server once it answers (within 10 s), else one without a display.
    std::unique_ptr<XClient> connect() const {
        std::unique_ptr<XClient> client;
        spin([&] { return (client = std::make_unique<XClient>(name_.c_str()))->display(); }, 10s);
        return client;
    }

    static std::string freeDisplay() {
        for (int n = 200 + ::getpid() % 700;; ++n) {
            const std::string number = std::to_string(n);
            if (!std::filesystem::exists("/tmp/.X" + number + "-lock") &&
                !std::filesystem::exists("/tmp/.X11-unix/X" + number))
                return ":" + number;
        }
    }

private:
    std::string name_, log_;
    ChildProcess server_;
};

// Our connection to the test server on the program's loop, and another client of it.
template <class Client = XClient>
class X11Test : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(other.display(), nullptr) << "no test X server";
        auto opened = X11Connection::open("", logger);
        ASSERT_TRUE(opened.ok()) << opened.error().description;
        connection = std::move(opened).value();
        connection->attach(loop, loop);
    }

    Client other;
    CapturingLogger logger;
    GLibMainLoop loop;
    std::unique_ptr<X11Connection> connection;
};

class X11DisplayFixture : public X11Test<> {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (HasFatalFailure()) return;
        removeSecondMonitor();
        other.setRamp("DUMMY0", identity);
        displays = std::make_unique<X11Displays>(*connection, logger);
        first = static_cast<DisplayID>(other.output("DUMMY0"));
        second = static_cast<DisplayID>(other.output("DUMMY1"));
    }
    void TearDown() override {
        displays.reset();
        connection.reset();
        removeSecondMonitor();
        other.setRamp("DUMMY0", identity);
    }
    // Lets queued RandR events reach the backend, until it lists `outputs` outputs.
    void settle(std::size_t outputs) {
        spinFor(50ms);
        spin([&] { return displays->screens().size() == outputs; });
    }

    std::unique_ptr<X11Displays> displays;
    DisplayID first = 0, second = 0;
};

}  // namespace vesperine::testing_x11
