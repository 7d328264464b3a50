#include "Platform/Linux/System/SleepWatch.h"

#include <systemd/sd-bus.h>

namespace vesperine {

SleepWatch::SleepWatch(BusConnection& systemBus, Logger& logger, std::function<void()> onWake)
    : bus_(systemBus), log_(logger, "monitor"), onWake_(std::move(onWake)) {
    signal_ = bus_.match({"org.freedesktop.login1", "/org/freedesktop/login1",
                          "org.freedesktop.login1.Manager", "PrepareForSleep"},
                         [this](sd_bus_message* message) {
                             int starting = 0;
                             if (sd_bus_message_read(message, "b", &starting) < 0) return;
                             // true: about to sleep; false: just woke.
                             if (!starting && onWake_) onWake_();
                         });
    loss_ = bus_.observeLoss([this] {
        log_.error("Lost the system bus; wake from sleep is no longer heard");
    });
}

}  // namespace vesperine
