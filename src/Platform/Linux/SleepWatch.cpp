#include "Platform/Linux/SleepWatch.h"

#include <systemd/sd-bus.h>

#include <cstring>

namespace vesperine {

namespace {

std::string describe(const char* what, int result) {
    return std::string(what) + ": " + std::strerror(-result);
}

Result<sd_bus*> connect(const std::string& address) {
    sd_bus* bus = nullptr;
    if (address.empty()) {
        const int r = sd_bus_open_system(&bus);
        if (r < 0) return Error{describe("Couldn't connect to the system bus", r)};
        return bus;
    }
    int r = sd_bus_new(&bus);
    if (r >= 0) r = sd_bus_set_address(bus, address.c_str());
    if (r >= 0) r = sd_bus_set_bus_client(bus, 1);
    if (r >= 0) r = sd_bus_start(bus);
    if (r < 0) {
        sd_bus_unref(bus);
        return Error{describe(("Couldn't connect to the bus at " + address).c_str(), r)};
    }
    return bus;
}

}  // namespace

struct SleepSignal {
    static int handle(sd_bus_message* message, void* self, sd_bus_error*) {
        int starting = 0;
        if (sd_bus_message_read(message, "b", &starting) < 0) return 0;
        static_cast<SleepWatch*>(self)->prepareForSleep(starting != 0);
        return 0;
    }
};

Result<std::unique_ptr<SleepWatch>> SleepWatch::start(IoWatcher& loop,
                                                      const std::string& busAddress, Logger& logger,
                                                      std::function<void()> onWake) {
    auto bus = connect(busAddress);
    if (!bus) return bus.error();
    std::unique_ptr<SleepWatch> watch(new SleepWatch(*bus, logger, std::move(onWake)));
    const int r = sd_bus_match_signal(watch->bus_, &watch->slot_, "org.freedesktop.login1",
                                      "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                      "PrepareForSleep", &SleepSignal::handle, watch.get());
    if (r < 0) return Error{describe("Couldn't subscribe to PrepareForSleep", r)};
    const int fd = sd_bus_get_fd(watch->bus_);
    if (fd < 0) return Error{describe("Couldn't get the bus descriptor", fd)};
    watch->watch_ = loop.watchReadable(fd, [raw = watch.get()] { raw->readable(); });
    // Messages may have arrived with the subscription's reply.
    watch->readable();
    return watch;
}

SleepWatch::SleepWatch(sd_bus* bus, Logger& logger, std::function<void()> onWake)
    : bus_(bus), log_(logger, "monitor"), onWake_(std::move(onWake)) {}

SleepWatch::~SleepWatch() {
    watch_.cancel();
    sd_bus_slot_unref(slot_);
    sd_bus_flush_close_unref(bus_);
}

void SleepWatch::prepareForSleep(bool starting) {
    // true: about to sleep; false: just woke.
    if (!starting && onWake_) onWake_();
}

void SleepWatch::readable() {
    if (!connected_) return;
    int r = 0;
    while ((r = sd_bus_process(bus_, nullptr)) > 0) {
    }
    if (r < 0) {
        // The bus went away (daemon restarted or stopped): stop listening to a dead socket.
        connected_ = false;
        watch_.cancel();
        log_.error("Lost the system bus; wake from sleep is no longer heard: %s",
                   std::strerror(-r));
    }
}

}  // namespace vesperine
