#pragma once

#include <map>
#include <optional>
#include <span>
#include <vector>

#include "Platform/DisplayServices.h"
#include "Platform/Logger.h"
#include "Platform/X11/OwnRampRecord.h"
#include "Platform/X11/X11Connection.h"
#include "Platform/X11/X11GammaWrites.h"
#include "Support/Reused.h"

namespace vesperine {

// Displays on an X server through RandR: one display per output with an active CRTC (lit, so
// its reported connection state, which some drivers only refresh on a probe, is not asked),
// identified by the output's XID. Tables are the CRTC's gamma ramp, resampled between
// the core's tables and the CRTC's own gamma size. X11 has no extended dynamic range: every
// display reports a headroom of 1.0.
//
// "The display's own colour settings" are the ramp captured when we first touched an output
// (kept per output across reconfigurations, since outputs can move between CRTCs), whatever
// its shape: a calibration loaded from a colour profile has channel ends apart, and is given
// back exactly. Only a black ramp (another program's blackout, or a driver that reads back
// zeros) is not taken: the identity stands in for it. A ramp that a killed run left tinted
// is told apart through the `record`, when there is one: an output it holds gets its
// recorded ramp, and an output gets an entry before our first write lands on it, which goes
// again once its own ramp is back (see OwnRampRecord).
class X11Displays final : public DisplayList, public DisplayGamma, public DisplayEvents {
public:
    // Besides DisplayGamma's noSuchDisplay and unusableGammaSize:
    static constexpr int requestFailed = 1010;
    // Gamma sizes beyond this are driver garbage; nothing is allocated for them.
    static constexpr int largestGammaSize = 65536;

    // Without a `record`, the ramp on screen at capture is the output's own.
    X11Displays(X11Connection& connection, Logger& logger, OwnRampRecord* record = nullptr);
    ~X11Displays() override;

    std::vector<PlatformScreen> screens() const override;
    int readTable(DisplayID display, std::size_t capacity, float* r, float* g, float* b,
                  std::size_t& count) override;
    int writeTable(DisplayID display, std::size_t size, const float* r, const float* g,
                   const float* b) override;
    void restoreAll() override;
    std::string errorText(int code) const override;
    // Batches go out whole before any reply is awaited: one round trip for all of them.
    void readTables(std::span<TableRead> reads) override;
    void writeTables(std::span<TableWrite> writes) override;
    // Sent checked but not waited for: the server's answer is collected by a later call, when
    // some reply behind it has come anyway. An output whose write was refused is looked up
    // afresh then.
    void sendTables(std::span<TableWrite> writes) override;
    // Answered from a connection of its own, which nothing waits on and nothing watches: the
    // server's answer to one tick's requests lies on that socket, waking nobody, until the
    // next tick takes it and asks again. Only a tick that finds its answer not yet there
    // waits for it.
    void readTablesAskedBefore(std::span<TableRead> reads) override;
    // Through the server's RECORD extension (see X11GammaWrites), once attached to a loop.
    Result<Handle> hearForeignWrites(std::function<void()> written) override;
    Result<Handle> registerReconfiguration(Callback callback) override;

    // From now on, an output the record holds no ramp for is taken to have the identity as its
    // own ramp, not what it shows: for a reset asked from the command line, which must clear
    // a tint whoever left it. Before the first read or write.
    void takeIdentityAsOwn() { identityAsOwn_ = true; }
    // The ramp `restoreAll` gives the output back, once it has been read or written.
    std::optional<GammaTable::Channels> ownRamp(DisplayID display) const;

    // The CRTC gamma size of an output, for tests and diagnostics; none when it has no CRTC.
    std::optional<int> gammaSize(DisplayID display) const;

private:
    using Ramp = GammaTable::Channels;
    struct Original {
        Ramp ramp;
        OwnRampRecord::Output key;
    };
    struct Crtc {
        unsigned long id = 0;
        int gammaSize = 0;  // as the server reports it: may be 0, 1 or absurd
    };
    std::optional<Crtc> crtcOf(DisplayID display) const;
    // Empties the output → CRTC cache when a layout change is pending, once for a whole batch:
    // asking for each output would cost a read from the socket per output.
    void dropCrtcsIfLayoutChanged() const;
    // Waits, sleeping, until `bytes` have arrived on the socket (or a few milliseconds have
    // passed), so that collecting replies then wakes nobody up.
    void awaitBytes(std::size_t bytes) const;
    mutable bool layoutChecked_ = false;  // within a batch: see dropCrtcsIfLayoutChanged
    // True when a RandR notification has arrived that the event dispatch has not handled yet.
    bool layoutChangePending() const;
    struct RampRead {
        Crtc crtc;
        std::optional<Ramp> ramp;
        int result = 0;
    };
    struct RampWrite {
        Crtc crtc;
        std::size_t size = 0;  // entries of r, g, b, resampled to the CRTC's gamma size
        const float *r = nullptr, *g = nullptr, *b = nullptr;
        int result = 0;
        std::optional<xcb_void_cookie_t> unconfirmed = std::nullopt;  // sent, answer not awaited
    };
    // Each as one pipelined batch of checked requests: one round trip for the lot.
    void readRamps(std::span<RampRead> batch) const;
    void sendRamps(std::span<RampWrite> batch, bool confirmed = true);
    void writeBatch(std::span<TableWrite> writes, bool confirmed);
    // Collects the answers of unconfirmed writes that the server has given by now.
    void collectSentWrites();
    struct SentWrite {
        DisplayID display;
        xcb_void_cookie_t cookie;
    };
    std::vector<SentWrite> sent_;
    static constexpr std::size_t sentKept = 256;  // unread answers kept, at most
    // The watchdog's requests on `checks_`, answered at its next tick.
    struct AskedRead {
        DisplayID display;
        xcb_randr_get_crtc_gamma_cookie_t cookie;
    };
    std::vector<AskedRead> asked_;
    xcb_connection_t* checks_ = nullptr;
    // Drops the answers still to come for `display` (all displays: none), which a write or a
    // layout change since they were asked has made stale.
    void forgetAsked(std::optional<DisplayID> display = std::nullopt);
    // The decoded ramp of a gamma reply of `size` entries per channel, or none.
    static std::optional<Ramp> decodeRamp(xcb_randr_get_crtc_gamma_reply_t* reply,
                                          std::size_t size);
    // Fills `read` from `ramp`, resampled to its capacity.
    static void fill(TableRead& read, const Ramp& ramp);
    std::optional<Ramp> readRamp(const Crtc& crtc, int& error) const;
    // The outputs lit now: those of the last listing if no RandR event has come since.
    std::vector<DisplayID> litOutputs() const;
    void captureOriginal(DisplayID display, const Crtc& crtc);
    std::optional<OwnRampRecord::Output> outputKey(DisplayID display, const Crtc& crtc) const;
    // Makes sure the record names the output's own ramp before anything else lands on it.
    void recordOriginal(DisplayID display);
    void onEvent(const XEvent& event);

    X11Connection& connection_;
    Log log_;
    int eventBase_ = 0;
    int errorBase_ = 0;
    bool hasRandr_ = false;
    OwnRampRecord* record_;
    bool identityAsOwn_ = false;
    std::map<DisplayID, Original> originals_;
    // The entries of the last ramps sent, kept as the buffer for the next (a frame each
    // visible step of a fade).
    std::vector<std::uint16_t> rampEntries_;
    Reused<RampWrite> rampWrites_;
    Reused<TableWrite*> rampsAsked_;
    // Output → CRTC and its gamma size, so a frame costs one request and no enumeration of
    // the screen; emptied on every RandR event.
    mutable std::map<DisplayID, Crtc> crtcs_;
    // The outputs of the last listing, until a RandR event.
    mutable std::optional<std::vector<DisplayID>> lit_;
    std::map<std::uint64_t, Callback> callbacks_;
    std::uint64_t nextCallback_ = 0;
    Handle listener_;
    std::unique_ptr<X11GammaWrites> foreignWrites_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vesperine
