// Another program on the test X server: reads and writes CRTC gamma ramps directly, as a
// second client would, and switches the dummy outputs on and off with xrandr.
#pragma once

#include "Platform/X11/XlibIncludes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace vesperine::testing_x11 {

struct Ramp {
    std::vector<unsigned short> r, g, b;
    bool operator==(const Ramp&) const = default;
};

class RandrClient {
  public:
    // Connects to `name`, by default $DISPLAY.
    explicit RandrClient(const char* name = nullptr) : display_(XOpenDisplay(name)) {}
    ~RandrClient() {
        if (display_) XCloseDisplay(display_);
    }
    RandrClient(const RandrClient&) = delete;
    RandrClient& operator=(const RandrClient&) = delete;

    Display* display() const { return display_; }
    // After the server is gone: forget the connection without a request that would meet
    // the dead socket (Xlib's default handler would end the test program there).
    void abandon() { display_ = nullptr; }

    // The XID of the named output (the display id of the backend), 0 if none.
    RROutput output(const std::string& name) const {
        RROutput found = 0;
        forEachOutput([&](RROutput id, XRROutputInfo* info) {
            if (name == std::string(info->name, static_cast<std::size_t>(info->nameLen)))
                found = id;
        });
        return found;
    }

    RRCrtc crtc(const std::string& name) const {
        RRCrtc found = 0;
        forEachOutput([&](RROutput, XRROutputInfo* info) {
            if (name == std::string(info->name, static_cast<std::size_t>(info->nameLen)))
                found = info->crtc;
        });
        return found;
    }

    Ramp ramp(const std::string& name) const {
        Ramp result;
        const RRCrtc id = crtc(name);
        if (!id) return result;
        XRRCrtcGamma* gamma = XRRGetCrtcGamma(display_, id);
        if (!gamma) return result;
        result.r.assign(gamma->red, gamma->red + gamma->size);
        result.g.assign(gamma->green, gamma->green + gamma->size);
        result.b.assign(gamma->blue, gamma->blue + gamma->size);
        XRRFreeGamma(gamma);
        return result;
    }

    void setRamp(const std::string& name, const Ramp& ramp) const {
        const RRCrtc id = crtc(name);
        if (!id || ramp.r.empty()) return;
        XRRCrtcGamma* gamma = XRRAllocGamma(static_cast<int>(ramp.r.size()));
        std::copy(ramp.r.begin(), ramp.r.end(), gamma->red);
        std::copy(ramp.g.begin(), ramp.g.end(), gamma->green);
        std::copy(ramp.b.begin(), ramp.b.end(), gamma->blue);
        XRRSetCrtcGamma(display_, id, gamma);
        XRRFreeGamma(gamma);
        XSync(display_, False);
    }

    // A ramp of `size` entries: entry i = (i / (size - 1))^exponent × end, per channel.
    static Ramp curve(std::size_t size, double exponent, double rEnd = 1, double gEnd = 1,
                      double bEnd = 1) {
        Ramp result;
        for (std::size_t i = 0; i < size; ++i) {
            const double x = std::pow(double(i) / double(size - 1), exponent);
            result.r.push_back(static_cast<unsigned short>(std::lround(x * rEnd * 65535)));
            result.g.push_back(static_cast<unsigned short>(std::lround(x * gEnd * 65535)));
            result.b.push_back(static_cast<unsigned short>(std::lround(x * bEnd * 65535)));
        }
        return result;
    }

  private:
    template <typename F>
    void forEachOutput(F&& f) const {
        XRRScreenResources* resources =
            XRRGetScreenResourcesCurrent(display_, DefaultRootWindow(display_));
        if (!resources) return;
        for (int i = 0; i < resources->noutput; ++i) {
            if (XRROutputInfo* info =
                    XRRGetOutputInfo(display_, resources, resources->outputs[i])) {
                f(resources->outputs[i], info);
                XRRFreeOutputInfo(info);
            }
        }
        XRRFreeScreenResources(resources);
    }

    Display* display_;
};

inline int xrandr(const std::string& arguments) {
    return std::system(("xrandr " + arguments + " >/dev/null 2>&1").c_str());
}
inline bool addSecondMonitor() {
    xrandr("--addmode DUMMY1 1024x768");
    return xrandr("--output DUMMY1 --mode 1024x768 --right-of DUMMY0") == 0;
}
inline bool removeSecondMonitor() {
    return xrandr("--output DUMMY1 --off") == 0;
}

}  // namespace vesperine::testing_x11
