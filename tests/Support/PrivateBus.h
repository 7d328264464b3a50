// A private message bus for the run of one test, and another client of it, so that a test
// can play the login manager (or any service) without a system bus.
#pragma once

#include <signal.h>
#include <systemd/sd-bus.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace vesperine {

class PrivateBus {
  public:
    PrivateBus() {
        FILE* out = ::popen(
            "dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null", "r");
        if (!out) return;
        char line[512] = {0};
        if (std::fgets(line, sizeof line, out))
            address_ = std::string(line, std::strcspn(line, "\n"));
        if (std::fgets(line, sizeof line, out)) pid_ = std::atoi(line);
        ::pclose(out);
    }
    ~PrivateBus() { stop(); }
    // Ends the daemon: every client loses its connection.
    void stop() {
        if (pid_ > 0) ::kill(pid_, SIGTERM);
        pid_ = 0;
    }
    const std::string& address() const { return address_; }

  private:
    std::string address_;
    int pid_ = 0;
};

// Another client of the bus: owns `name` (if given) and sends signals. It never answers a
// call (nothing processes its messages).
class BusClient {
  public:
    BusClient(const std::string& address, const char* name) {
        sd_bus_new(&bus_);
        sd_bus_set_address(bus_, address.c_str());
        sd_bus_set_bus_client(bus_, 1);
        ok_ = sd_bus_start(bus_) >= 0 && (!name || sd_bus_request_name(bus_, name, 0) >= 0);
    }
    ~BusClient() { sd_bus_flush_close_unref(bus_); }
    bool ok() const { return ok_; }
    sd_bus* raw() const { return bus_; }
    void emit(const char* path, const char* interface, const char* member) {
        sd_bus_emit_signal(bus_, path, interface, member, nullptr);
        sd_bus_flush(bus_);
    }
    void prepareForSleep(bool starting) {
        sd_bus_emit_signal(bus_, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                           "PrepareForSleep", "b", int(starting));
        sd_bus_flush(bus_);
    }

  private:
    sd_bus* bus_ = nullptr;
    bool ok_ = false;
};

}  // namespace vesperine
