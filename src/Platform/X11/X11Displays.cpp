#include "Platform/X11/X11Displays.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <sys/ioctl.h>

#include "Platform/X11/X11ServerStart.h"
#include "Platform/X11/XlibIncludes.h"

namespace vesperine {

namespace {

// Piecewise-linear resampling of one channel from `from` entries to `to`, converted on the
// way (the server's 16-bit entries to floats, or back).
template <typename In, typename Out, typename Convert>
void resample(const In* values, std::size_t from, Out* out, std::size_t to, Convert convert) {
    if (from == 0) {
        std::fill(out, out + to, convert(In{}));
        return;
    }
    if (from == to) {
        std::transform(values, values + to, out, convert);
        return;
    }
    const double step = to > 1 && from > 1 ? double(from - 1) / double(to - 1) : 0.0;
    for (std::size_t i = 0; i < to; ++i) {
        const double x = double(i) * step;
        const std::size_t lo = std::min(static_cast<std::size_t>(x), from - 1);
        const std::size_t hi = std::min(lo + 1, from - 1);
        const double f = x - double(lo);
        out[i] = convert(static_cast<In>((1.0 - f) * values[lo] + f * values[hi]));
    }
}

std::uint16_t toHardware(float value) {
    // The ramp holds 0...65535; NaN and values outside 0...1 from upstream land on the ends.
    if (!(value > 0.0f)) return 0;
    if (value >= 1.0f) return 65535;
    // Rounds half up, as lround does for these positive values, but without a call into libm:
    // lround was the largest single cost of a written frame. The product is exact in double.
    return static_cast<std::uint16_t>(double(value) * 65535.0 + 0.5);
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

X11Displays::~X11Displays() {
    if (checks_) xcb_disconnect(checks_);
}

std::vector<PlatformScreen> X11Displays::screens() const {
    std::vector<PlatformScreen> result;
    if (!hasRandr_ || !connection_.isAlive()) return result;
    Display* display = connection_.display();
    std::vector<std::pair<DisplayID, RRCrtc>> lit;
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
                    // The output as RandR (and xrandr) names it, and the monitor as its EDID
                    // does: the log and the replay show both, never the output's XID.
                    screen.name = monitor.empty() ? outputName : outputName + " (" + monitor + ")";
                    screen.frame = {double(crtc->x), double(crtc->y), double(crtc->width),
                                    double(crtc->height)};
                    screen.isBuiltin = outputName.starts_with("eDP") ||
                                       outputName.starts_with("LVDS") ||
                                       outputName.starts_with("DSI");
                    result.push_back(screen);
                    lit.emplace_back(screen.id, output->crtc);
                }
                XRRFreeCrtcInfo(crtc);
            }
        }
        XRRFreeOutputInfo(output);
    }
    XRRFreeScreenResources(resources);
    (void)trap.check();  // an output gone while listed is simply not listed
    // What writes and restores need of these outputs, so they need no listing of their own:
    // the CRTCs and, asked all at once, their gamma sizes.
    xcb_connection_t* xcb = connection_.xcb();
    std::vector<xcb_randr_get_crtc_gamma_size_cookie_t> sizes;
    for (const auto& [id, crtc] : lit) sizes.push_back(xcb_randr_get_crtc_gamma_size(xcb, crtc));
    lit_.emplace();
    for (std::size_t i = 0; i < lit.size(); ++i) {
        xcb_generic_error_t* error = nullptr;
        auto* reply = xcb_randr_get_crtc_gamma_size_reply(xcb, sizes[i], &error);
        if (reply && !error) {
            crtcs_[lit[i].first] = Crtc{lit[i].second, reply->size};
            lit_->push_back(lit[i].first);
        }
        std::free(reply);
        std::free(error);
    }
    connection_.dispatchReadByRepliesSoon();
    return result;
}

std::optional<X11Displays::Crtc> X11Displays::crtcOf(DisplayID id) const {
    if (!hasRandr_ || !connection_.isAlive()) return std::nullopt;
    if (auto cached = crtcs_.find(id); cached != crtcs_.end()) {
        // The layout may have changed since the cache was filled, with its notification
        // still unread: a cached CRTC the output no longer drives would take our write
        // (and may drive another output by now).
        if (layoutChecked_ || !layoutChangePending()) return cached->second;
        crtcs_.clear();
        lit_.reset();
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

void X11Displays::dropCrtcsIfLayoutChanged() const {
    if (!crtcs_.empty() && connection_.isAlive() && layoutChangePending()) {
        crtcs_.clear();
        lit_.reset();
    }
}

namespace {
// Sets a flag for the lifetime of a batch.
struct LayoutCheckedScope {
    explicit LayoutCheckedScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~LayoutCheckedScope() { flag_ = false; }
    LayoutCheckedScope(const LayoutCheckedScope&) = delete;
    LayoutCheckedScope& operator=(const LayoutCheckedScope&) = delete;
    bool& flag_;
};
}  // namespace

void X11Displays::awaitBytes(std::size_t bytes) const {
    const int fd = xcb_get_file_descriptor(connection_.xcb());
    auto pause = std::chrono::microseconds(500);
    for (auto waited = std::chrono::microseconds(0); waited < std::chrono::milliseconds(8);
         waited += pause, pause *= 2) {
        std::this_thread::sleep_for(pause);
        int available = 0;
        if (ioctl(fd, FIONREAD, &available) != 0 || available < 0 ||
            static_cast<std::size_t>(available) >= bytes)
            return;
    }
}

std::optional<int> X11Displays::gammaSize(DisplayID display) const {
    auto crtc = crtcOf(display);
    if (!crtc) return std::nullopt;
    return crtc->gammaSize;
}

namespace {
bool usableGammaSize(int size) {
    return size >= 2 && size <= X11Displays::largestGammaSize;
}
}  // namespace

void X11Displays::readRamps(std::span<RampRead> batch) const {
    xcb_connection_t* xcb = connection_.xcb();
    std::vector<std::optional<xcb_randr_get_crtc_gamma_cookie_t>> cookies;
    for (auto& read : batch) {
        read.ramp.reset();
        read.result = usableGammaSize(read.crtc.gammaSize) ? 0 : unusableGammaSize;
        cookies.push_back(read.result ? std::nullopt
                                      : std::optional(xcb_randr_get_crtc_gamma(xcb, read.crtc.id)));
    }
    // The server sends a batch of ramps back in several writes (they overflow its output
    // buffer), and waiting for each as it comes would wake us once per piece. The replies'
    // length is known, so we sleep until all of them are on the socket: one short sleep when
    // the server is quick, a few longer ones on a loaded machine, never a wake-up per reply.
    std::size_t expected = 0;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        // A 32-byte header, then three channels of 16-bit entries, padded to 4 bytes.
        const auto size = static_cast<std::size_t>(batch[i].crtc.gammaSize);
        if (cookies[i]) expected += 32 + ((6 * size + 3) & ~std::size_t{3});
    }
    if (expected > 0) {
        xcb_flush(xcb);
        awaitBytes(expected);
    }
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (!cookies[i]) continue;
        auto& read = batch[i];
        xcb_generic_error_t* error = nullptr;
        auto* reply = xcb_randr_get_crtc_gamma_reply(xcb, *cookies[i], &error);
        const std::size_t size = static_cast<std::size_t>(read.crtc.gammaSize);
        read.ramp = error ? std::nullopt : decodeRamp(reply, size);
        if (!read.ramp) read.result = requestFailed;
        std::free(reply);
        std::free(error);
    }
}

std::optional<X11Displays::Ramp> X11Displays::decodeRamp(xcb_randr_get_crtc_gamma_reply_t* reply,
                                                         std::size_t size) {
    if (!reply || reply->size != size) return std::nullopt;
    Ramp ramp{std::vector<float>(size), std::vector<float>(size), std::vector<float>(size)};
    auto decode = [&](const std::uint16_t* values, std::vector<float>& out) {
        std::transform(values, values + size, out.begin(),
                       [](std::uint16_t v) { return v / 65535.0f; });
    };
    decode(xcb_randr_get_crtc_gamma_red(reply), ramp.r);
    decode(xcb_randr_get_crtc_gamma_green(reply), ramp.g);
    decode(xcb_randr_get_crtc_gamma_blue(reply), ramp.b);
    return ramp;
}

void X11Displays::fill(TableRead& read, const Ramp& ramp) {
    const std::size_t n = std::min(read.capacity, ramp.r.size());
    const auto same = [](float v) { return v; };
    resample(ramp.r.data(), ramp.r.size(), read.r, n, same);
    resample(ramp.g.data(), ramp.g.size(), read.g, n, same);
    resample(ramp.b.data(), ramp.b.size(), read.b, n, same);
    read.count = n;
}

std::optional<X11Displays::Ramp> X11Displays::readRamp(const Crtc& crtc, int& error) const {
    RampRead read{crtc, std::nullopt, 0};
    readRamps({&read, 1});
    error = read.result;
    return std::move(read.ramp);
}

void X11Displays::sendRamps(std::span<RampWrite> batch, bool confirmed) {
    xcb_connection_t* xcb = connection_.xcb();
    std::vector<std::uint16_t>& entries = rampEntries_;
    for (auto& write : batch) {
        const int size = write.crtc.gammaSize;
        write.result = usableGammaSize(size) && write.size >= 2 ? 0 : unusableGammaSize;
        write.unconfirmed.reset();
        if (write.result) continue;
        const auto n = static_cast<std::size_t>(size);
        entries.resize(3 * n);
        resample(write.r, write.size, entries.data(), n, toHardware);
        resample(write.g, write.size, entries.data() + n, n, toHardware);
        resample(write.b, write.size, entries.data() + 2 * n, n, toHardware);
        // Checked: an error comes back to the check below, never to Xlib's handler. The
        // entries are copied out before the call returns.
        write.unconfirmed = xcb_randr_set_crtc_gamma_checked(
            xcb, write.crtc.id, size, entries.data(), entries.data() + n, entries.data() + 2 * n);
    }
    if (!confirmed) {
        connection_.flushBeforeWait();
        if (!xcb_connection_has_error(xcb)) return;
        for (auto& write : batch) {
            if (!write.unconfirmed) continue;
            write.result = requestFailed;
            write.unconfirmed.reset();
        }
        return;
    }
    // The first check sends one sync behind the whole batch; its answer settles the rest.
    for (auto& write : batch) {
        if (!write.unconfirmed) continue;
        const xcb_void_cookie_t cookie = *std::exchange(write.unconfirmed, std::nullopt);
        if (xcb_generic_error_t* error = xcb_request_check(xcb, cookie)) {
            write.result = requestFailed;
            std::free(error);
        } else if (xcb_connection_has_error(xcb)) {
            write.result = requestFailed;
        }
    }
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
    } else if (identityAsOwn_ || isBlack(*ramp)) {
        ramp = Ramp::identity(256);
    }
    originals_[display] = Original{std::move(*ramp), std::move(*key)};
}

std::optional<GammaTable::Channels> X11Displays::ownRamp(DisplayID display) const {
    const auto found = originals_.find(display);
    if (found == originals_.end()) return std::nullopt;
    return found->second.ramp;
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
    TableRead read{display, capacity, r, g, b};
    readTables({&read, 1});
    count = read.count;
    return read.result;
}

void X11Displays::readTables(std::span<TableRead> reads) {
    std::vector<RampRead> batch;
    std::vector<TableRead*> asked;
    dropCrtcsIfLayoutChanged();
    LayoutCheckedScope checked(layoutChecked_);
    for (auto& read : reads) {
        read.count = 0;
        auto crtc = crtcOf(read.display);
        if (!crtc) {
            read.result = noSuchDisplay;
            continue;
        }
        captureOriginal(read.display, *crtc);
        batch.push_back({*crtc, std::nullopt, 0});
        asked.push_back(&read);
    }
    readRamps(batch);
    collectSentWrites();  // answered by now, all of them: the replies came after them
    for (std::size_t i = 0; i < batch.size(); ++i) {
        TableRead& read = *asked[i];
        read.result = batch[i].result;
        if (!batch[i].ramp) {
            // The output may have moved to another CRTC before we heard of it: look it up afresh.
            crtcs_.erase(read.display);
            continue;
        }
        fill(read, *batch[i].ramp);
    }
    connection_.dispatchReadByRepliesSoon();
}

void X11Displays::readTablesAskedBefore(std::span<TableRead> reads) {
    if (checks_ && xcb_connection_has_error(checks_)) {
        asked_.clear();
        xcb_disconnect(checks_);
        checks_ = nullptr;
    }
    if (!checks_ && connection_.isAlive()) {
        checks_ = xcb_connect(DisplayString(connection_.display()), nullptr);
        if (xcb_connection_has_error(checks_)) {
            xcb_disconnect(checks_);
            checks_ = nullptr;
        }
    }
    if (!checks_ || !hasRandr_) {
        readTables(reads);  // no second connection: read now, as any other read
        return;
    }
    std::vector<AskedRead> next;
    for (auto& read : reads) {
        read.count = 0;
        read.result = notAskedYet;
        auto asked = std::find_if(asked_.begin(), asked_.end(),
                                  [&](const AskedRead& a) { return a.display == read.display; });
        const auto crtc = crtcs_.find(read.display);
        if (asked != asked_.end() && crtc != crtcs_.end()) {
            void* reply = nullptr;
            xcb_generic_error_t* error = nullptr;
            // Taken from what lies on the socket (one read for all of them), else awaited: a
            // server that has not answered in a whole tick is slow, and the answer is due.
            if (!xcb_poll_for_reply(checks_, asked->cookie.sequence, &reply, &error))
                reply = xcb_randr_get_crtc_gamma_reply(checks_, asked->cookie, &error);
            auto* gamma = static_cast<xcb_randr_get_crtc_gamma_reply_t*>(reply);
            const auto ramp =
                error ? std::nullopt
                      : decodeRamp(gamma, static_cast<std::size_t>(crtc->second.gammaSize));
            std::free(reply);
            std::free(error);
            read.result = ramp ? 0 : requestFailed;
            if (ramp) fill(read, *ramp);
            asked_.erase(asked);
        }
        // The next tick's question, about the CRTC this output was last seen on: a layout
        // change before the answer comes makes the answer void (onEvent).
        auto ask = crtc != crtcs_.end() ? std::optional(crtc->second) : crtcOf(read.display);
        if (ask && usableGammaSize(ask->gammaSize))
            next.push_back({read.display, xcb_randr_get_crtc_gamma(checks_, ask->id)});
        else if (!ask)
            read.result = noSuchDisplay;
    }
    forgetAsked();  // answers to questions nobody asks again
    // The few events every client gets unasked (a keyboard mapping change) are not ours.
    while (xcb_generic_event_t* event = xcb_poll_for_queued_event(checks_)) std::free(event);
    asked_ = std::move(next);
    xcb_flush(checks_);
}

void X11Displays::forgetAsked(std::optional<DisplayID> display) {
    std::erase_if(asked_, [&](const AskedRead& asked) {
        if (display && asked.display != *display) return false;
        xcb_discard_reply(checks_, asked.cookie.sequence);
        return true;
    });
}

int X11Displays::writeTable(DisplayID display, std::size_t size, const float* r, const float* g,
                            const float* b) {
    TableWrite write{display, size, r, g, b};
    writeTables({&write, 1});
    return write.result;
}

void X11Displays::writeTables(std::span<TableWrite> writes) {
    writeBatch(writes, true);
}

void X11Displays::sendTables(std::span<TableWrite> writes) {
    writeBatch(writes, false);
}

void X11Displays::collectSentWrites() {
    if (sent_.empty()) return;
    xcb_connection_t* xcb = connection_.xcb();
    // Known once a later reply or event has come: until then a write stays in the list (it
    // costs nothing to keep), so collecting never waits. A long fade with no reply between
    // its frames is bounded: the oldest answers are then dropped unread.
    std::size_t done = 0;
    for (auto& sent : sent_) {
        void* reply = nullptr;
        xcb_generic_error_t* error = nullptr;
        if (!xcb_poll_for_reply(xcb, sent.cookie.sequence, &reply, &error)) {
            if (sent_.size() - done <= sentKept) break;
            xcb_discard_reply(xcb, sent.cookie.sequence);
        } else if (error) {
            crtcs_.erase(sent.display);  // as for a confirmed write: look it up afresh
        }
        std::free(reply);
        std::free(error);
        ++done;
    }
    sent_.erase(sent_.begin(), sent_.begin() + static_cast<std::ptrdiff_t>(done));
}

void X11Displays::writeBatch(std::span<TableWrite> writes, bool confirmed) {
    auto batchLoan = rampWrites_.lend();
    auto askedLoan = rampsAsked_.lend();
    std::vector<RampWrite>& batch = *batchLoan;
    std::vector<TableWrite*>& asked = *askedLoan;
    dropCrtcsIfLayoutChanged();
    LayoutCheckedScope checked(layoutChecked_);
    for (auto& write : writes) {
        if (write.size < 2) {
            write.result = unusableGammaSize;
            continue;
        }
        auto crtc = crtcOf(write.display);
        if (!crtc) {
            write.result = noSuchDisplay;
            continue;
        }
        captureOriginal(write.display, *crtc);
        // Not ours until the record says so: a kill after this write must not make our tint
        // the next run's idea of the output's own ramp.
        recordOriginal(write.display);
        batch.push_back({*crtc, write.size, write.r, write.g, write.b});
        asked.push_back(&write);
        // An answer asked before this write may come after it, or before: it tells nothing.
        forgetAsked(write.display);
    }
    sendRamps(batch, confirmed);
    for (std::size_t i = 0; i < batch.size(); ++i) {
        asked[i]->result = batch[i].result;
        if (batch[i].unconfirmed) sent_.push_back({asked[i]->display, *batch[i].unconfirmed});
        // As for reads: resolve the CRTC again next time.
        if (batch[i].result) crtcs_.erase(asked[i]->display);
    }
    // A frame reads nothing from the socket beyond the layout check (which hands on what it
    // read), so it has nothing to collect or to dispatch: each would be a read that finds the
    // socket empty. A confirmed batch waited for the server, and every earlier answer with it.
    if (confirmed || sent_.size() > sentKept) collectSentWrites();
    if (confirmed) connection_.dispatchReadByRepliesSoon();
}

std::vector<DisplayID> X11Displays::litOutputs() const {
    if (lit_ && !layoutChangePending()) return *lit_;
    (void)screens();
    return lit_.value_or(std::vector<DisplayID>{});
}

void X11Displays::restoreAll() {
    std::vector<RampWrite> batch;
    std::vector<DisplayID> outputs;
    forgetAsked();
    for (DisplayID id : litOutputs()) {
        auto crtc = crtcOf(id);
        if (!crtc) continue;
        captureOriginal(id, *crtc);
        auto original = originals_.find(id);
        if (original == originals_.end()) continue;
        const Ramp& ramp = original->second.ramp;
        batch.push_back({*crtc, ramp.count(), ramp.r.data(), ramp.g.data(), ramp.b.data()});
        outputs.push_back(id);
    }
    sendRamps(batch);
    collectSentWrites();
    std::vector<std::string> restored;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (const int error = batch[i].result) {
            log_.error("Couldn't restore the gamma ramp of %s: %d",
                       originals_.at(outputs[i]).key.name.c_str(), error);
            crtcs_.erase(outputs[i]);
        } else {
            restored.push_back(originals_.at(outputs[i]).key.name);
        }
    }
    // Outputs that are off keep their entries: their CRTCs may still hold our tint.
    if (record_) record_->release(restored);
    connection_.dispatchReadByRepliesSoon();
}

Result<Handle> X11Displays::hearForeignWrites(std::function<void()> written) {
    if (!connection_.loop()) return Error{"the X connection is not on a loop"};
    auto started = X11GammaWrites::start(connection_, *connection_.loop(), std::move(written));
    if (!started.ok()) return started.error();
    foreignWrites_ = std::move(started).value();
    std::weak_ptr<bool> alive = alive_;
    return Handle::make([this, alive] {
        if (alive.lock()) foreignWrites_.reset();
    });
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
    lit_.reset();
    forgetAsked();  // asked of CRTCs that may drive other outputs by now
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

std::string X11Displays::errorText(int code) const {
    if (code == requestFailed) return "the X server refused the request";
    return DisplayGamma::errorText(code);
}

}  // namespace vesperine
