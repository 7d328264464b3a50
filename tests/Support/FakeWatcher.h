// A StatusNotifierWatcher on a private session bus, for the tests that run the program's
// tray icon against it.
#pragma once

#include <systemd/sd-bus.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "Support/PrivateBus.h"

namespace vesperine {

// A StatusNotifierWatcher as desktops publish it (what items use of it), on its own thread:
// it says a host is there and remembers the item that registers.
class FakeWatcher {
public:
    explicit FakeWatcher(const std::string& address) : client_(address, nullptr) {
        sd_bus* bus = client_.raw();
        if (!client_.ok() ||
            sd_bus_add_object_vtable(bus, nullptr, "/StatusNotifierWatcher",
                                     "org.kde.StatusNotifierWatcher", table, this) < 0)
            return;
        ok_ = sd_bus_request_name(bus, "org.kde.StatusNotifierWatcher", 0) >= 0;
        thread_ = std::thread([this, bus] {
            while (!stop_) {
                while (sd_bus_process(bus, nullptr) > 0) {
                }
                sd_bus_wait(bus, 50'000);
            }
        });
    }
    ~FakeWatcher() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    bool ok() const { return ok_; }
    std::optional<std::string> item() const {
        std::lock_guard lock(mutex_);
        return item_;
    }

private:
    static int registerItem(sd_bus_message* call, void* self, sd_bus_error*) {
        const char* service = nullptr;
        if (sd_bus_message_read(call, "s", &service) < 0) return -EINVAL;
        auto* watcher = static_cast<FakeWatcher*>(self);
        {
            std::lock_guard lock(watcher->mutex_);
            watcher->item_ = service;
        }
        return sd_bus_reply_method_return(call, nullptr);
    }
    static int yes(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                   sd_bus_error*) {
        return sd_bus_message_append(reply, "b", 1);
    }
    static constexpr sd_bus_vtable table[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("RegisterStatusNotifierItem", "s", "", registerItem, 0),
        SD_BUS_PROPERTY("IsStatusNotifierHostRegistered", "b", yes, 0, 0), SD_BUS_VTABLE_END};

    BusClient client_;
    bool ok_ = false;
    std::atomic<bool> stop_ = false;
    mutable std::mutex mutex_;
    std::optional<std::string> item_;
    std::thread thread_;
};

}  // namespace vesperine
