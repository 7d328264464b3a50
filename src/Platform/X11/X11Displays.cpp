#include "Platform/X11/X11Displays.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Platform/X11/X11ServerStart.h"
#include "Platform/X11/XlibIncludes.h"

namespace vesperine {

namespace {

// Piecewise-linear resampling of one channel.
std::vector<float> resample(const float* values, std::size_t from, std::size_t to) {
    std::vector<float> out(to, 0.0f);
    if (from == 0) return out;
    for (std::size_t i = 0; i < to; ++i) {
        const double x = (to > 1 && from > 1) ? double(i) / double(to - 1) * double(from - 1) : 0.0;
        const std::size_t lo = std::min(static_cast<std::size_t>(x), from - 1);
        const std::size_t hi = std::min(lo + 1, from - 1);
        const double f = x - double(lo);
        out[i] = static_cast<float>((1.0 - f) * values[lo] + f * values[hi]);
    }
    return out;
}

unsigned short toHardware(float value) {
    // The ramp holds 0...65535; NaN and values outside 0...1 from upstream land on the ends.
    if (!(value > 0.0f)) return 0;
    if (value >= 1.0f) return 65535;
    return static_cast<unsigned short>(std::lround(value * 65535.0));
}

bool isBlack(const GammaTable::Channels& ramp) {
    return ramp.r.back() <= 0.0f && ramp.g.back() <= 0.0f && ramp.b.back() <= 0.0f;
}

struct RandrEventScan {
    int eventBase = 0;
    bool found = false;
};

// An XCheckIfEvent predicate that only looks: it never matches, so every event stays queued
// for its own dispatch.
int noteRandrEvent(Display*, XEvent* event, XPointer argument) {
    auto* scan = reinterpret_cast<RandrEventScan*>(argument);
    const int type = event->type - scan->eventBase;
    if (type == RRScreenChangeNotify || type == RRNotify) scan->found = true;
    return 0;
}

std::vector<unsigned char> edidOf(Display* display, RROutput output) {
    Atom edidAtom = XInternAtom(display, "EDID", True);
    if (edidAtom == None) return {};
    unsigned char* data = nullptr;
    int format = 0;
    unsigned long items = 0, after = 0;
    Atom type = None;
    std::vector<unsigned char> edid;
    // Up to 1 KiB (the length counts 32-bit units): the base block and seven extensions.
    if (XRRGetOutputProperty(display, output, edidAtom, 0, 256, False, False, AnyPropertyType,
                             &type, &format, &items, &after, &data) == Success &&
        data && format == 8) {
        edid.assign(data, data + items);
    }
    if (data) XFree(data);
    return edid;
}

std::string edidMonitorName(const std::vector<unsigned char>& edid) {
    std::string name;
    if (edid.size() < 128) return name;
    // Four 18-byte descriptors from offset 54; tag 0xFC holds the monitor name.
    for (int d = 0; d < 4; ++d) {
        const unsigned char* block = edid.data() + 54 + d * 18;
        if (block[0] == 0 && block[1] == 0 && block[3] == 0xFC) {
            for (int i = 5; i < 18 && block[i] != 0x0A && block[i] != 0; ++i)
                name += static_cast<char>(block[i]);
            while (!name.empty() && name.back() == ' ') name.pop_back();
            break;
        }
    }
    return name;
}

// 64-bit FNV-1a, in hex: stable across runs and builds, which std::hash is not promised to be.
std::string edidHash(const std::vector<unsigned char>& edid) {
    if (edid.empty()) return {};
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char byte : edid) {
        hash ^= byte;
        hash *= 0x100000001b3ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

}  // namespace

X11Displays::X11Displays(X11Connection& connection, Logger& logger, OwnRampRecord* record)
    : connection_(connection), log_(logger, "gamma"), record_(record) {
    Display* display = connection_.display();
    hasRandr_ = XRRQueryExtension(display, &eventBase_, &errorBase_);
    if (!hasRandr_) {
        log_.error("The X server has no RandR extension: displays cannot be tinted");
        return;
    }
    XRRSelectInput(display, connection_.root(),
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    listener_ = connection_.addListener([this](const XEvent& event) { onEvent(event); });
}

X11Displays::~X11Displays() = default;

std::vector<PlatformScreen> X11Displays::screens() const {
    std::vector<PlatformScreen> result;
    if (!hasRandr_ || !connection_.isAlive()) return result;
    Display* display = connection_.display();
    // An output can vanish while we walk the list: its BadRROutput is an answer, not a fault.
    X11ErrorTrap trap(display);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, connection_.root());
    if (!resources) return result;
    for (int i = 0; i < resources->noutput; ++i) {
        XRROutputInfo* output = XRRGetOutputInfo(display, resources, resources->outputs[i]);
        if (!output) continue;
        if (output->crtc != None) {
            if (XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, output->crtc)) {
                if (crtc->mode != None) {
                    PlatformScreen screen;
                    screen.id = static_cast<DisplayID>(resources->outputs[i]);
                    const std::string outputName(output->name,
                                                 static_cast<std::size_t>(output->nameLen));
                    const std::string monitor =
                        edidMonitorName(edidOf(display, resources->outputs[i]));
                    screen.name = monitor.empty() ? outputName : monitor;
                    screen.frame = {double(crtc->x), double(crtc->y), double(crtc->width),
                                    double(crtc->height)};
                    screen.isBuiltin = outputName.starts_with("eDP") ||
                                       outputName.starts_with("LVDS") ||
                                       outputName.starts_with("DSI");
                    result.push_back(screen);
                }
                XRRFreeCrtcInfo(crtc);
            }
        }
        XRRFreeOutputInfo(output);
    }
    XRRFreeScreenResources(resources);
    (void)trap.check();
    connection_.dispatchQueuedSoon();
    return result;
}

std::optional<X11Displays::Crtc> X11Displays::crtcOf(DisplayID id) const {
    if (!hasRandr_ || !connection_.isAlive()) return std::nullopt;
    if (auto cached = crtcs_.find(id); cached != crtcs_.end()) {
        // The layout may have changed since the cache was filled, with its notification
        // still unread: a cached CRTC the output no longer drives would take our write
        // (and may drive another output by now).
        if (!layoutChangePending()) return cached->second;
        crtcs_.clear();
    }
    Display* display = connection_.display();
    X11ErrorTrap trap(display);  // the output may have gone: BadRROutput is an answer, not a fault
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, connection_.root());
    if (!resources) return std::nullopt;
    std::optional<Crtc> crtc;
    for (int i = 0; i < resources->noutput; ++i) {
        if (resources->outputs[i] != id) continue;
        if (XRROutputInfo* output = XRRGetOutputInfo(display, resources, resources->outputs[i])) {
            if (output->crtc != None) crtc = Crtc{output->crtc, 0};
            XRRFreeOutputInfo(output);
        }
    }
    XRRFreeScreenResources(resources);
    if (crtc) crtc->gammaSize = XRRGetCrtcGammaSize(display, crtc->id);
    const bool failed = !trap.check();
    connection_.dispatchQueuedSoon();
    if (failed || !connection_.isAlive()) return std::nullopt;
    if (crtc) crtcs_[id] = *crtc;
    return crtc;
}

bool X11Displays::layoutChangePending() const {
    Display* display = connection_.display();
    // Reads what the server has sent without waiting. The descriptor no longer wakes the loop
    // for events read here, so the connection is asked to dispatch them on a later turn.
    if (XEventsQueued(display, QueuedAfterReading) == 0) return false;
    connection_.dispatchQueuedSoon();
    RandrEventScan scan{eventBase_, false};
    XEvent unused;
    XCheckIfEvent(display, &unused, &noteRandrEvent, reinterpret_cast<XPointer>(&scan));
    return scan.found || !connection_.isAlive();
}

std::optional<int> X11Displays::gammaSize(DisplayID display) const {
    auto crtc = crtcOf(display);
    if (!crtc) return std::nullopt;
    return crtc->gammaSize;
}

std::optional<X11Displays::Ramp> X11Displays::readRamp(const Crtc& crtc, int& error) const {
    const int size = crtc.gammaSize;
    if (size < 2 || size > largestGammaSize) {
        error = unusableGammaSize;
        return std::nullopt;
    }
    Display* display = connection_.display();
    X11ErrorTrap trap(display);
    XRRCrtcGamma* gamma = XRRGetCrtcGamma(display, crtc.id);
    if (!trap.check() || !gamma || gamma->size != size) {
        if (gamma) XRRFreeGamma(gamma);
        error = requestFailed;
        return std::nullopt;
    }
    Ramp ramp{std::vector<float>(size), std::vector<float>(size), std::vector<float>(size)};
    for (int i = 0; i < size; ++i) {
        ramp.r[i] = gamma->red[i] / 65535.0f;
        ramp.g[i] = gamma->green[i] / 65535.0f;
        ramp.b[i] = gamma->blue[i] / 65535.0f;
    }
    XRRFreeGamma(gamma);
    error = 0;
    return ramp;
}

int X11Displays::writeRamp(const Crtc& crtc, const Ramp& ramp) {
    const int size = crtc.gammaSize;
    if (size < 2 || size > largestGammaSize) return unusableGammaSize;
    XRRCrtcGamma* gamma = XRRAllocGamma(size);
    if (!gamma) return requestFailed;
    const auto r = resample(ramp.r.data(), ramp.r.size(), size);
    const auto g = resample(ramp.g.data(), ramp.g.size(), size);
    const auto b = resample(ramp.b.data(), ramp.b.size(), size);
    for (int i = 0; i < size; ++i) {
        gamma->red[i] = toHardware(r[i]);
        gamma->green[i] = toHardware(g[i]);
        gamma->blue[i] = toHardware(b[i]);
    }
    Display* display = connection_.display();
    X11ErrorTrap trap(display);
    XRRSetCrtcGamma(display, crtc.id, gamma);
    XRRFreeGamma(gamma);
    return trap.check() && connection_.isAlive() ? 0 : requestFailed;
}

void X11Displays::captureOriginal(DisplayID display, const Crtc& crtc) {
    if (originals_.count(display)) return;
    int error = 0;
    auto ramp = readRamp(crtc, error);
    auto key = ramp ? outputKey(display, crtc) : std::nullopt;
    if (!key) return;  // try again at the next touch
    if (record_ && !record_->isOpen()) {
        if (auto server = X11ServerStart::identify(connection_)) {
            record_->open(DisplayString(connection_.display()), *server);
        } else {
            log_.error(
                "Couldn't tell this start of the X server from others: the ramps on "
                "screen are taken as the outputs' own");
            record_ = nullptr;
        }
    }
    if (auto recalled = record_ ? record_->recall(*key) : std::nullopt) {
        ramp = std::move(recalled);  // what is on screen may be the tint of a killed run
    } else if (isBlack(*ramp)) {
        ramp = Ramp::identity(256);
    }
    originals_[display] = Original{std::move(*ramp), std::move(*key)};
}

std::optional<OwnRampRecord::Output> X11Displays::outputKey(DisplayID id, const Crtc& crtc) const {
    Display* display = connection_.display();
    X11ErrorTrap trap(display);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, connection_.root());
    if (!resources) return std::nullopt;
    std::optional<OwnRampRecord::Output> key;
    if (XRROutputInfo* output = XRRGetOutputInfo(display, resources, id)) {
        key = OwnRampRecord::Output{
            std::string(output->name, static_cast<std::size_t>(output->nameLen)),
            edidHash(edidOf(display, id)), crtc.gammaSize};
        XRRFreeOutputInfo(output);
    }
    XRRFreeScreenResources(resources);
    if (!trap.check()) return std::nullopt;
    return key;
}

void X11Displays::recordOriginal(DisplayID display) {
    auto original = originals_.find(display);
    if (!record_ || original == originals_.end() || record_->holds(original->second.key.name))
        return;
    record_->keep(original->second.key, original->second.ramp);
}

int X11Displays::readTable(DisplayID display, std::size_t capacity, float* r, float* g, float* b,
                           std::size_t& count) {
    count = 0;
    auto crtc = crtcOf(display);
    if (!crtc) return noSuchDisplay;
    captureOriginal(display, *crtc);
    int error = 0;
    auto ramp = readRamp(*crtc, error);
    connection_.dispatchQueuedSoon();
    if (!ramp) {
        // The output may have moved to another CRTC before we heard of it: look it up afresh.
        crtcs_.erase(display);
        return error;
    }
    const std::size_t n = std::min(capacity, ramp->r.size());
    const auto rr = resample(ramp->r.data(), ramp->r.size(), n);
    const auto gg = resample(ramp->g.data(), ramp->g.size(), n);
    const auto bb = resample(ramp->b.data(), ramp->b.size(), n);
    std::copy(rr.begin(), rr.end(), r);
    std::copy(gg.begin(), gg.end(), g);
    std::copy(bb.begin(), bb.end(), b);
    count = n;
    return 0;
}

int X11Displays::writeTable(DisplayID display, std::size_t size, const float* r, const float* g,
                            const float* b) {
    if (size < 2) return unusableGammaSize;
    auto crtc = crtcOf(display);
    if (!crtc) return noSuchDisplay;
    captureOriginal(display, *crtc);
    // Not ours until the record says so: a kill after this write must not make our tint
    // the next run's idea of the output's own ramp.
    recordOriginal(display);
    const int error =
        writeRamp(*crtc, Ramp{std::vector<float>(r, r + size), std::vector<float>(g, g + size),
                              std::vector<float>(b, b + size)});
    if (error) crtcs_.erase(display);  // as for reads: resolve the CRTC again next time
    connection_.dispatchQueuedSoon();
    return error;
}

void X11Displays::restoreAll() {
    std::vector<std::string> restored;
    for (const auto& screen : screens()) {
        auto crtc = crtcOf(screen.id);
        if (!crtc) continue;
        captureOriginal(screen.id, *crtc);
        auto original = originals_.find(screen.id);
        if (original == originals_.end()) continue;
        if (int error = writeRamp(*crtc, original->second.ramp)) {
            log_.error("Couldn't restore the gamma ramp of output %u: %d", screen.id, error);
        } else {
            restored.push_back(original->second.key.name);
        }
    }
    // Outputs that are off keep their entries: their CRTCs may still hold our tint.
    if (record_) record_->release(restored);
    if (connection_.isAlive()) XFlush(connection_.display());
    connection_.dispatchQueuedSoon();
}

Result<Handle> X11Displays::registerReconfiguration(Callback callback) {
    if (!hasRandr_) return Error{"the X server has no RandR extension"};
    const auto id = nextCallback_++;
    callbacks_[id] = std::move(callback);
    std::weak_ptr<bool> alive = alive_;
    return Handle::make([this, alive, id] {
        if (alive.lock()) callbacks_.erase(id);
    });
}

void X11Displays::onEvent(const XEvent& event) {
    const int type = event.type - eventBase_;
    if (type != RRScreenChangeNotify && type != RRNotify) return;
    if (type == RRScreenChangeNotify) XRRUpdateConfiguration(const_cast<XEvent*>(&event));
    crtcs_.clear();
    DisplayID id = 0;
    if (type == RRNotify) {
        const auto& notify = reinterpret_cast<const XRRNotifyEvent&>(event);
        if (notify.subtype == RRNotify_OutputChange) {
            id = static_cast<DisplayID>(
                reinterpret_cast<const XRROutputChangeNotifyEvent&>(event).output);
        }
    }
    auto snapshot = callbacks_;
    for (auto& [key, callback] : snapshot) callback(id, 0);
}

}  // namespace vesperine
