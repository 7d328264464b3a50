#include "Platform/Wayland/WaylandDisplays.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "Display/GammaTable.h"
#include "wlr-gamma-control-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace vesperine {

namespace {

constexpr std::size_t ownSize = 256;  // entries of the identity read back

std::uint16_t sixteenBits(float value) {
    // Boost (above 1) cannot be shown through a gamma table: the brightest entry is white.
    if (!(value > 0.0f)) return 0;
    if (value >= 1.0f) return 65535;
    return static_cast<std::uint16_t>(std::lround(value * 65535.0f));
}

// A memory file holding `table` as the protocol wants it: red, then green, then blue.
int tableFile(const GammaTable::Channels& table) {
    const int fd = memfd_create("vesperine-gamma", MFD_CLOEXEC);
    if (fd < 0) return -1;
    std::vector<std::uint16_t> entries;
    entries.reserve(table.count() * 3);
    for (const auto* channel : {&table.r, &table.g, &table.b}) {
        for (float value : *channel) entries.push_back(sixteenBits(value));
    }
    const auto* bytes = reinterpret_cast<const char*>(entries.data());
    std::size_t left = entries.size() * sizeof(std::uint16_t);
    while (left > 0) {
        const ssize_t wrote = ::write(fd, bytes, left);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            ::close(fd);
            return -1;
        }
        bytes += wrote;
        left -= static_cast<std::size_t>(wrote);
    }
    // Compositors read from the file's offset or from its start; both find the table.
    ::lseek(fd, 0, SEEK_SET);
    return fd;
}

}  // namespace

void WaylandDisplays::bindOutputListener(Output& output) {
    static const wl_output_listener listener = {
        .geometry =
            [](void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t,
               std::int32_t, std::int32_t, const char*, const char*, std::int32_t) {
                auto* output = static_cast<Output*>(data);
                output->x = x;
                output->y = y;
            },
        .mode =
            [](void* data, wl_output*, std::uint32_t flags, std::int32_t width,
               std::int32_t height, std::int32_t) {
                if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
                auto* output = static_cast<Output*>(data);
                output->width = width;
                output->height = height;
            },
        .done = [](void* data,
                   wl_output*) { static_cast<Output*>(data)->owner->outputDone(*static_cast<Output*>(data)); },
        .scale = [](void* data, wl_output*,
                    std::int32_t factor) { static_cast<Output*>(data)->scale = std::max(1, factor); },
        .name = [](void* data, wl_output*,
                   const char* name) { static_cast<Output*>(data)->connector = name; },
        .description = [](void* data, wl_output*,
                          const char* text) { static_cast<Output*>(data)->description = text; },
    };
    wl_output_add_listener(output.output, &listener, &output);
}

WaylandDisplays::WaylandDisplays(WaylandConnection& connection, Scheduler& scheduler,
                                 Logger& logger, Retry retry)
    : connection_(connection), scheduler_(scheduler), log_(logger, "display"), retry_(retry) {
    globals_ = connection_.observeGlobals(
        [this](const WaylandConnection::Global& global) { globalAdded(global); },
        [this](std::uint32_t name) { globalRemoved(name); });
    // The outputs' own events, then those of their xdg-outputs asked for meanwhile.
    connection_.roundtrip();
    connection_.roundtrip();
    if (!manager_) {
        log_.write(LogLevel::notice,
                   "The compositor offers no gamma control (wlr-gamma-control): no tint can be "
                   "shown through it");
    }
}

WaylandDisplays::~WaylandDisplays() {
    globals_.cancel();
    for (auto& [id, output] : outputs_) {
        dropControl(*output);
        if (output->xdgOutput) zxdg_output_v1_destroy(output->xdgOutput);
        wl_output_destroy(output->output);
    }
    if (manager_) zwlr_gamma_control_manager_v1_destroy(manager_);
    if (xdgManager_) zxdg_output_manager_v1_destroy(xdgManager_);
    connection_.flush();
}

void WaylandDisplays::globalAdded(const WaylandConnection::Global& global) {
    wl_registry* registry = connection_.registry();
    if (global.interface == wl_output_interface.name) {
        auto output = std::make_unique<Output>();
        output->id = global.name;
        output->owner = this;
        output->output = static_cast<wl_output*>(wl_registry_bind(
            registry, global.name, &wl_output_interface, std::min(global.version, 4u)));
        bindOutputListener(*output);
        askXdgOutput(*output);
        outputs_[global.name] = std::move(output);
    } else if (global.interface == zxdg_output_manager_v1_interface.name && !xdgManager_) {
        xdgManager_ = static_cast<zxdg_output_manager_v1*>(wl_registry_bind(
            registry, global.name, &zxdg_output_manager_v1_interface, std::min(global.version, 3u)));
        xdgManagerName_ = global.name;
        for (auto& [id, output] : outputs_) askXdgOutput(*output);
    } else if (global.interface == zwlr_gamma_control_manager_v1_interface.name && !manager_) {
        manager_ = static_cast<zwlr_gamma_control_manager_v1*>(
            wl_registry_bind(registry, global.name, &zwlr_gamma_control_manager_v1_interface, 1));
        managerName_ = global.name;
    }
}

void WaylandDisplays::askXdgOutput(Output& output) {
    if (!xdgManager_ || output.xdgOutput) return;
    static const zxdg_output_v1_listener listener = {
        .logical_position =
            [](void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
                auto* output = static_cast<Output*>(data);
                output->logicalX = x;
                output->logicalY = y;
                output->hasLogical = output->xdgAnswered = true;
            },
        .logical_size =
            [](void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
                auto* output = static_cast<Output*>(data);
                output->logicalWidth = width;
                output->logicalHeight = height;
                output->hasLogical = output->xdgAnswered = true;
            },
        // Since version 3 wl_output's done ends every change; before, this one did.
        .done = [](void* data, zxdg_output_v1* xdg) {
            if (zxdg_output_v1_get_version(xdg) < 3)
                static_cast<Output*>(data)->owner->outputDone(*static_cast<Output*>(data));
        },
        .name = [](void* data, zxdg_output_v1*,
                   const char* name) { static_cast<Output*>(data)->connector = name; },
        .description = [](void* data, zxdg_output_v1*,
                          const char* text) { static_cast<Output*>(data)->description = text; },
    };
    output.xdgOutput = zxdg_output_manager_v1_get_xdg_output(xdgManager_, output.output);
    zxdg_output_v1_add_listener(output.xdgOutput, &listener, &output);
}

void WaylandDisplays::outputDone(Output& output) {
    // A new output's first `done` may come before its xdg-output has named it.
    if (output.xdgOutput && !output.xdgAnswered) return;
    output.done = true;
    const PlatformScreen screen = screenOf(output);
    const auto& was = output.announced;
    if (was && was->name == screen.name && was->frame == screen.frame && was->scale == screen.scale)
        return;
    if (!was) {
        log_.always(LogLevel::info, "Output " + std::to_string(output.id) + ": " +
                                        output.connector + " (" + output.description + ")");
    }
    output.announced = screen;
    reconfigured(output.id);
}

void WaylandDisplays::globalRemoved(std::uint32_t name) {
    if (name == managerName_ && manager_) {
        for (auto& [id, output] : outputs_) {
            dropControl(*output);
            output->shown.reset();
        }
        zwlr_gamma_control_manager_v1_destroy(manager_);
        manager_ = nullptr;
        return;
    }
    if (name == xdgManagerName_ && xdgManager_) {
        zxdg_output_manager_v1_destroy(xdgManager_);
        xdgManager_ = nullptr;
        return;
    }
    auto found = outputs_.find(name);
    if (found == outputs_.end()) return;
    Output& output = *found->second;
    dropControl(output);
    if (output.xdgOutput) zxdg_output_v1_destroy(output.xdgOutput);
    if (wl_output_get_version(output.output) >= 3) {
        wl_output_release(output.output);
    } else {
        wl_output_destroy(output.output);
    }
    const bool listed = output.done;
    outputs_.erase(found);
    connection_.flush();
    if (listed) reconfigured(name);
}

bool WaylandDisplays::askControl(Output& output) {
    if (output.control || !manager_) return false;
    if (output.failed && scheduler_.monotonicNow() < output.nextRetry) return false;
    static const zwlr_gamma_control_v1_listener listener = {
        .gamma_size =
            [](void* data, zwlr_gamma_control_v1*, std::uint32_t size) {
                static_cast<Output*>(data)->gammaSize = size;
            },
        .failed =
            [](void* data, zwlr_gamma_control_v1*) {
                static_cast<Output*>(data)->owner->controlFailed(*static_cast<Output*>(data));
            },
    };
    // Its answers come on the queue a write waits on, so no other event is dispatched then.
    auto* manager = static_cast<zwlr_gamma_control_manager_v1*>(
        wl_proxy_create_wrapper(manager_));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(manager), connection_.answerQueue());
    output.control = zwlr_gamma_control_manager_v1_get_gamma_control(manager, output.output);
    wl_proxy_wrapper_destroy(manager);
    zwlr_gamma_control_v1_add_listener(output.control, &listener, &output);
    output.gammaSize = 0;
    return true;
}

void WaylandDisplays::dropControl(Output& output) {
    if (!output.control) return;
    zwlr_gamma_control_v1_destroy(output.control);
    output.control = nullptr;
    output.gammaSize = 0;
}

void WaylandDisplays::controlFailed(Output& output) {
    dropControl(output);
    // What is on screen now is not ours; read back as the output's own, the watchdog asks for
    // our table again, and the write that fails keeps being retried.
    output.shown.reset();
    output.retryDelay = output.failed ? std::min(output.retryDelay * 2, retry_.longest) : retry_.first;
    output.nextRetry = scheduler_.monotonicNow() + output.retryDelay;
    if (!output.failed) {
        log_.always(LogLevel::error,
                    "The compositor refuses our tables on " +
                        (output.connector.empty() ? std::to_string(output.id) : output.connector) +
                        ": another program holds its gamma (only one may), or the output has "
                        "none; trying again now and then");
    }
    output.failed = true;
}

PlatformScreen WaylandDisplays::screenOf(const Output& output) const {
    PlatformScreen screen;
    screen.id = output.id;
    screen.name = !output.description.empty() ? output.description
                  : !output.connector.empty()  ? output.connector
                                               : "Output " + std::to_string(output.id);
    if (output.hasLogical) {
        screen.frame = {double(output.logicalX), double(output.logicalY),
                        double(output.logicalWidth), double(output.logicalHeight)};
    } else {
        screen.frame = {double(output.x), double(output.y), double(output.width) / output.scale,
                        double(output.height) / output.scale};
    }
    screen.scale = output.scale;
    const std::string& connector = output.connector;
    screen.isBuiltin = connector.starts_with("eDP") || connector.starts_with("LVDS") ||
                       connector.starts_with("DSI");
    return screen;
}

std::vector<PlatformScreen> WaylandDisplays::screens() const {
    std::vector<PlatformScreen> result;
    if (!connection_.isAlive()) return result;
    for (const auto& [id, output] : outputs_)
        if (output->done) result.push_back(screenOf(*output));
    return result;
}

int WaylandDisplays::readTable(DisplayID display, std::size_t capacity, float* r, float* g,
                               float* b, std::size_t& count) {
    count = 0;
    auto found = outputs_.find(display);
    if (found == outputs_.end() || !found->second->done) return noSuchDisplay;
    if (capacity == 0) return EINVAL;
    const Output& output = *found->second;
    if (!output.shown) {
        count = std::min(capacity, ownSize);
        for (std::size_t i = 0; i < count; ++i)
            r[i] = g[i] = b[i] = count == 1 ? 1.0f : static_cast<float>(i) / (count - 1);
        return 0;
    }
    const std::vector<float>& shown = *output.shown;
    const std::size_t size = shown.size() / 3;
    GammaTable::Channels table{{shown.begin(), shown.begin() + size},
                               {shown.begin() + size, shown.begin() + 2 * size},
                               {shown.begin() + 2 * size, shown.end()}};
    if (size > capacity) table = GammaTable::resampled(table, capacity);
    count = table.count();
    std::copy(table.r.begin(), table.r.end(), r);
    std::copy(table.g.begin(), table.g.end(), g);
    std::copy(table.b.begin(), table.b.end(), b);
    return 0;
}

int WaylandDisplays::writeTable(DisplayID display, std::size_t size, const float* r,
                                const float* g, const float* b) {
    TableWrite write{display, size, r, g, b};
    writeTables({&write, 1});
    return write.result;
}

void WaylandDisplays::writeTables(std::span<TableWrite> writes) {
    std::vector<Output*> targets(writes.size(), nullptr);
    bool asked = false;
    for (std::size_t i = 0; i < writes.size(); ++i) {
        auto found = outputs_.find(writes[i].display);
        if (!connection_.isAlive()) {
            writes[i].result = connectionLost;
        } else if (found == outputs_.end() || !found->second->done) {
            writes[i].result = noSuchDisplay;
        } else if (!manager_) {
            writes[i].result = noGammaControl;
        } else if (writes[i].size < 2) {
            writes[i].result = EINVAL;
        } else {
            targets[i] = found->second.get();
            asked = askControl(*targets[i]) || asked;
        }
    }
    // New controls announce their sizes (or fail) before their first tables can be made.
    if (asked && !connection_.roundtrip(connection_.answerQueue())) {
        for (auto& write : writes) write.result = connectionLost;
        return;
    }
    // Each table travels as a file; libwayland cannot queue many of those behind a full socket.
    const bool busy = !connection_.drained();
    for (std::size_t i = 0; i < writes.size(); ++i) {
        if (!targets[i]) continue;
        if (busy) {
            writes[i].result = connection_.isAlive() ? compositorBusy : connectionLost;
            continue;
        }
        // A control that failed meanwhile has taken its output with it: look it up again.
        auto found = outputs_.find(writes[i].display);
        if (found == outputs_.end()) {
            writes[i].result = noSuchDisplay;
            continue;
        }
        writes[i].result =
            send(*found->second, writes[i].size, writes[i].r, writes[i].g, writes[i].b);
    }
    if (!connection_.flush()) {
        for (auto& write : writes) write.result = connectionLost;
    }
}

int WaylandDisplays::send(Output& output, std::size_t size, const float* r, const float* g,
                          const float* b) {
    if (!output.control) return output.failed ? heldByAnother : noGammaControl;
    if (output.gammaSize < 2 || output.gammaSize > 65536) return unusableGammaSize;
    GammaTable::Channels table{{r, r + size}, {g, g + size}, {b, b + size}};
    std::vector<float> shown;
    shown.reserve(size * 3);
    for (const auto* channel : {&table.r, &table.g, &table.b})
        shown.insert(shown.end(), channel->begin(), channel->end());
    if (table.count() != output.gammaSize) table = GammaTable::resampled(table, output.gammaSize);
    const int fd = tableFile(table);
    if (fd < 0) {
        const int error = errno;
        log_.write(LogLevel::error, "memfd", std::string("Couldn't make a gamma table's file: ") +
                                                 std::strerror(error));
        return error ? error : EIO;
    }
    zwlr_gamma_control_v1_set_gamma(output.control, fd);
    ::close(fd);  // the request holds its own copy until it is sent
    output.shown = std::move(shown);
    if (output.failed) {
        log_.always(LogLevel::notice, "The compositor takes our tables on " + output.connector + " again");
    }
    output.failed = false;
    output.retryDelay = Duration{};
    return 0;
}

void WaylandDisplays::restoreAll() {
    for (auto& [id, output] : outputs_) {
        dropControl(*output);
        output->shown.reset();
    }
    connection_.flush();
}

ColourControl WaylandDisplays::colourControl() const {
    return manager_ ? ColourControl::tables : ColourControl::none;
}

std::optional<std::uint32_t> WaylandDisplays::gammaSize(DisplayID display) const {
    auto found = outputs_.find(display);
    if (found == outputs_.end() || !found->second->control || found->second->gammaSize == 0)
        return std::nullopt;
    return found->second->gammaSize;
}

Result<Handle> WaylandDisplays::registerReconfiguration(Callback callback) {
    return callbacks_.add(std::move(callback));
}

void WaylandDisplays::reconfigured(DisplayID display) {
    callbacks_.notify(display, 0u);
}

std::string WaylandDisplays::errorText(int code) const {
    switch (code) {
        case heldByAnother: return "another program holds its gamma";
        case noGammaControl: return "the compositor offers no gamma control";
        case compositorBusy: return "the compositor has not yet read the last table";
        case connectionLost: return "the connection to the compositor is lost";
        default: return DisplayGamma::errorText(code);
    }
}

}  // namespace vesperine
