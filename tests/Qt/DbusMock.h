// A system service played by python3-dbusmock on the test's private bus, and a client that
// drives it (sets properties, adds devices) with synchronous calls.
#pragma once

#include <systemd/sd-bus.h>

#include <cstdarg>
#include <memory>
#include <string>
#include <vector>

#include "Support/ChildProcess.h"
#include "Support/PrivateBus.h"

namespace vesperine {

class DbusMock {
  public:
    // Runs `python3 -m dbusmock --system <arguments>` with the private bus as the system bus
    // (its log thrown away) and waits up to 10 s until it owns `name`.
    DbusMock(const std::string& busAddress, std::string name, std::vector<std::string> arguments)
        : name_(std::move(name)), client_(busAddress, nullptr) {
        if (!client_.ok()) return;
        std::vector<std::string> argv = {"/usr/bin/env", "DBUS_SYSTEM_BUS_ADDRESS=" + busAddress,
                                         "/usr/bin/python3", "-m", "dbusmock", "--system"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        mock_ = std::make_unique<ChildProcess>(
            argv, std::map<int, std::string>{{1, "/dev/null"}, {2, "/dev/null"}}, SIGTERM);
        for (int i = 0; mock_->pid() > 0 && i < 200 && !hasOwner(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~DbusMock() { stop(); }
    DbusMock(const DbusMock&) = delete;
    DbusMock& operator=(const DbusMock&) = delete;

    bool ready() { return mock_ && mock_->pid() > 0 && hasOwner(); }
    // Ends the service: its name loses its owner.
    void stop() { mock_.reset(); }

    // Calls `member` on the service; the arguments follow sd_bus_message_append's `types`.
    bool call(const char* path, const char* interface, const char* member, const char* types, ...) {
        va_list arguments;
        va_start(arguments, types);
        const int r = sd_bus_call_methodv(client_.raw(), name_.c_str(), path, interface, member,
                                          nullptr, nullptr, types, arguments);
        va_end(arguments);
        return r >= 0;
    }
    // The mock's own control interface on `path`.
    template <class... Args>
    bool control(const char* path, const char* member, const char* types, Args... arguments) {
        return call(path, "org.freedesktop.DBus.Mock", member, types, arguments...);
    }
    // Properties.Set, which the mock answers with PropertiesChanged; `type` is the variant's.
    template <class T>
    bool set(const char* path, const char* interface, const char* property, const char* type, T value) {
        return call(path, "org.freedesktop.DBus.Properties", "Set", "ssv", interface, property, type, value);
    }

  private:
    bool hasOwner() {
        sd_bus_message* reply = nullptr;
        int has = 0;
        if (sd_bus_call_method(client_.raw(), "org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "NameHasOwner", nullptr, &reply, "s",
                               name_.c_str()) >= 0) {
            sd_bus_message_read(reply, "b", &has);
        }
        sd_bus_message_unref(reply);
        return has != 0;
    }

    std::string name_;
    BusClient client_;
    std::unique_ptr<ChildProcess> mock_;
};

}  // namespace vesperine
