// A desktop service played by the test: one object with boolean, number or text properties
// and methods, published on a private bus through its own BusConnection on the same loop.
// Property types are fixed when published, so a service answering with the wrong types is
// one line to play.
#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/Qt/QtMainLoop.h"

namespace vesperine {

class FakeBusService {
  public:
    using Value = std::variant<bool, std::uint32_t, std::string>;
    // Answers a call (sd_bus_reply_method_return...).
    using Method = std::function<int(sd_bus_message* call)>;

    FakeBusService(QtMainLoop& loop, const std::string& address, std::string name,
                   std::string path, std::string interface)
        : name_(std::move(name)), path_(std::move(path)), interface_(std::move(interface)) {
        auto opened = BusConnection::open(BusConnection::Bus::session, loop, loop, address);
        if (opened) connection_ = std::move(opened).value();
    }
    ~FakeBusService() { stop(); }

    void property(const std::string& name, Value value) { properties_[name] = std::move(value); }
    void method(const std::string& name, const char* in, const char* out, Method handler) {
        methods_.push_back({name, in, out});
        handlers_[name] = std::move(handler);
    }
    // Publishes the object and takes the name; false when the bus refused.
    bool publish() {
        if (!connection_) return false;
        sd_bus* bus = connection_->raw();
        table_.push_back(SD_BUS_VTABLE_START(0));
        for (auto& [name, value] : properties_) {
            const char* signature = std::holds_alternative<bool>(value)            ? "b"
                                    : std::holds_alternative<std::uint32_t>(value) ? "u"
                                                                                   : "s";
            sd_bus_vtable entry = SD_BUS_PROPERTY(keepText(name), signature, &FakeBusService::get,
                                                  0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE);
            table_.push_back(entry);
        }
        for (const auto& m : methods_) {
            sd_bus_vtable entry = SD_BUS_METHOD(keepText(m.name), keepText(m.in), keepText(m.out),
                                                &FakeBusService::call, SD_BUS_VTABLE_UNPRIVILEGED);
            table_.push_back(entry);
        }
        table_.push_back(SD_BUS_VTABLE_END);
        if (sd_bus_add_object_vtable(bus, &slot_, path_.c_str(), interface_.c_str(), table_.data(),
                                     this) < 0)
            return false;
        const bool ok = sd_bus_request_name(bus, name_.c_str(), 0) >= 0;
        connection_->flush();
        return ok;
    }
    // Changes a property and tells the bus (PropertiesChanged).
    void set(const std::string& name, Value value) {
        properties_[name] = std::move(value);
        sd_bus_emit_properties_changed(connection_->raw(), path_.c_str(), interface_.c_str(),
                                       name.c_str(), nullptr);
        connection_->flush();
    }
    // The service's own connection (to emit signals from it), null once stopped.
    BusConnection* connection() const { return connection_.get(); }
    // The service stops: its name goes.
    void stop() {
        slot_ = sd_bus_slot_unref(slot_);
        connection_.reset();
    }

  private:
    struct MethodEntry {
        std::string name, in, out;
    };

    const char* keepText(const std::string& text) { return texts_.emplace_back(text).c_str(); }

    static int get(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply,
                   void* self, sd_bus_error*) {
        const auto& value = static_cast<FakeBusService*>(self)->properties_.at(property);
        if (auto* b = std::get_if<bool>(&value)) return sd_bus_message_append(reply, "b", int(*b));
        if (auto* u = std::get_if<std::uint32_t>(&value)) return sd_bus_message_append(reply, "u", *u);
        return sd_bus_message_append(reply, "s", std::get<std::string>(value).c_str());
    }
    static int call(sd_bus_message* message, void* self, sd_bus_error*) {
        auto* service = static_cast<FakeBusService*>(self);
        return service->handlers_.at(sd_bus_message_get_member(message))(message);
    }

    std::string name_, path_, interface_;
    std::unique_ptr<BusConnection> connection_;
    std::map<std::string, Value> properties_;
    std::vector<MethodEntry> methods_;
    std::map<std::string, Method> handlers_;
    std::deque<std::string> texts_;
    std::vector<sd_bus_vtable> table_;
    sd_bus_slot* slot_ = nullptr;
};

}  // namespace vesperine
