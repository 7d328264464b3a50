#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Platform/DisplayServices.h"
#include "Platform/LogOnce.h"
#include "Platform/Scheduler.h"
#include "Platform/Wayland/WaylandConnection.h"

struct wl_output;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct zwlr_gamma_control_manager_v1;
struct zwlr_gamma_control_v1;

namespace vesperine {

// Displays on a Wayland compositor: one display per wl_output global (its registry name is
// the display's id), named by wl_output 4 or xdg-output, followed as the registry announces
// and withdraws outputs. Tables go through wlr-gamma-control, where the compositor offers it:
// one gamma control per output, asked for at its first table, and each table written as the
// protocol wants it (a memory file of three 16-bit channels of the size the control
// announced), so a frame costs no round trip.
//
// The protocol has no read-back, and destroying a control gives the output its own table
// back (the compositor's, also when we crash): so "the display's own table" is the identity,
// a read answers with the table last written (else the identity) and the watchdog has nothing
// to repair. `restoreAll` destroys the controls.
//
// The compositor sends `failed` when it will not take our tables on an output, usually
// because another program holds its gamma (only one client may). That is a conflict, logged
// once per output until a table lands there again; the output then reads back as its own
// table (so the watchdog notices the write it needs) and writes fail with `heldByAnother`
// while a new control is asked for at most every `retryAfter` (doubling up to
// `longestRetry`), or at once when the output is announced again. Without the protocol every
// write fails with `noGammaControl` and `colourControl` is `none`, said once in the log.
// A compositor that has not yet read what we sent before gets no new table: those writes fail
// with `compositorBusy` (the next frame, or the watchdog, writes again).
class WaylandDisplays final : public DisplayList, public DisplayGamma, public DisplayEvents {
  public:
    // Besides DisplayGamma's noSuchDisplay and unusableGammaSize:
    static constexpr int heldByAnother = 1005;
    static constexpr int noGammaControl = 1006;
    static constexpr int compositorBusy = 1007;
    static constexpr int connectionLost = 1010;

    struct Retry {
        Duration first = std::chrono::seconds(5);
        Duration longest = std::chrono::seconds(60);
    };

    // Binds the outputs there are and waits for their descriptions. The connection and the
    // scheduler (its monotonic clock paces the retries) are borrowed.
    WaylandDisplays(WaylandConnection& connection, Scheduler& scheduler, Logger& logger,
                    Retry retry);
    WaylandDisplays(WaylandConnection& connection, Scheduler& scheduler, Logger& logger)
        : WaylandDisplays(connection, scheduler, logger, Retry{}) {}
    ~WaylandDisplays() override;
    WaylandDisplays(const WaylandDisplays&) = delete;
    WaylandDisplays& operator=(const WaylandDisplays&) = delete;

    std::vector<PlatformScreen> screens() const override;
    int readTable(DisplayID display, std::size_t capacity, float* r, float* g, float* b,
                  std::size_t& count) override;
    int writeTable(DisplayID display, std::size_t size, const float* r, const float* g,
                   const float* b) override;
    void restoreAll() override;
    std::string errorText(int code) const override;
    // Controls still missing are all asked for first: one round trip for the batch at most.
    void writeTables(std::span<TableWrite> writes) override;
    ColourControl colourControl() const override;
    Result<Handle> registerReconfiguration(Callback callback) override;

    // Whether the compositor offers wlr-gamma-control at all.
    bool offersGammaControl() const { return manager_ != nullptr; }
    // The size the output's control announced; none while it has no working control.
    std::optional<std::uint32_t> gammaSize(DisplayID display) const;

  private:
    struct Output {
        DisplayID id = 0;
        wl_output* output = nullptr;
        zxdg_output_v1* xdgOutput = nullptr;
        std::string connector, description;
        std::int32_t x = 0, y = 0, width = 0, height = 0;  // mode, in pixels
        std::int32_t logicalX = 0, logicalY = 0, logicalWidth = 0, logicalHeight = 0;
        bool hasLogical = false;
        std::int32_t scale = 1;
        bool done = false;          // complete once: listed from then on
        bool xdgAnswered = false;   // its xdg-output has said something
        std::optional<PlatformScreen> announced;  // as last told to the callbacks
        zwlr_gamma_control_v1* control = nullptr;
        std::uint32_t gammaSize = 0;  // 0 until the control announces it
        bool failed = false;          // the compositor refused the last control
        MonotonicTime nextRetry{};
        Duration retryDelay{};
        // The table on screen as we wrote it (none: the output's own).
        std::optional<std::vector<float>> shown;
        WaylandDisplays* owner = nullptr;
    };

    void globalAdded(const WaylandConnection::Global& global);
    void globalRemoved(std::uint32_t name);
    void askXdgOutput(Output& output);
    void outputDone(Output& output);
    PlatformScreen screenOf(const Output& output) const;
    // Asks for a control unless one is there, or the compositor refused it too recently.
    // True when one was asked for.
    bool askControl(Output& output);
    void dropControl(Output& output);
    void controlFailed(Output& output);
    int send(Output& output, std::size_t size, const float* r, const float* g, const float* b);
    void reconfigured(DisplayID display);

    static void bindOutputListener(Output& output);

    WaylandConnection& connection_;
    Scheduler& scheduler_;
    LogOnce log_;
    Retry retry_;
    zxdg_output_manager_v1* xdgManager_ = nullptr;
    std::uint32_t xdgManagerName_ = 0;
    zwlr_gamma_control_manager_v1* manager_ = nullptr;
    std::uint32_t managerName_ = 0;
    // Outputs by registry name; each is pinned (the listeners hold its address).
    std::map<DisplayID, std::unique_ptr<Output>> outputs_;
    CallbackList<DisplayID, std::uint32_t> callbacks_;
    Handle globals_;
};

}  // namespace vesperine
