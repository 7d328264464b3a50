// A desktop or system service played by the test on a private bus, on the same loop: objects
// with boolean, number or text properties and methods. A writable property keeps what clients
// set for the test to read.
#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/Linux/System/GLibMainLoop.h"

namespace vesperine {

class FakeBusService {
  public:
    using Value = std::variant<bool, std::uint32_t, double, std::string>;
    // Answers a call (sd_bus_reply_method_return...).
    using Method = std::function<int(sd_bus_message* call)>;

    class Object {
      public:
        void property(const std::string& name, Value value) { properties_[name] = std::move(value); }
        void writable(const std::string& name, Value value) {
            property(name, std::move(value));
            writable_.insert(name);
        }
        const Value& value(const std::string& name) const { return properties_.at(name); }
        void method(const std::string& name, const char* in, const char* out, Method handler) {
            methods_[name] = {in, out, std::move(handler)};
        }
        // Changes a property and tells the bus (PropertiesChanged).
        void set(const std::string& name, Value value) {
            properties_.at(name) = std::move(value);
            if (!owner_->connection_) return;
            sd_bus_emit_properties_changed(owner_->connection_->raw(), path_.c_str(),
                                           interface_.c_str(), name.c_str(), nullptr);
            owner_->connection_->flush();
        }

      private:
        friend class FakeBusService;
        struct MethodEntry {
            std::string in, out;
            Method handler;
        };

        Object(FakeBusService* owner, std::string path, std::string interface)
            : owner_(owner), path_(std::move(path)), interface_(std::move(interface)) {}

        bool publish() {
            slot_ = sd_bus_slot_unref(slot_);
            table_ = {SD_BUS_VTABLE_START(0)};
            for (auto& [name, value] : properties_) {
                if (writable_.count(name)) {
                    table_.push_back(SD_BUS_WRITABLE_PROPERTY(keepText(name),
                                                              signatures[value.index()], &get, &put,
                                                              0, SD_BUS_VTABLE_UNPRIVILEGED));
                    continue;
                }
                table_.push_back(SD_BUS_PROPERTY(keepText(name), signatures[value.index()], &get, 0,
                                                 SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE));
            }
            for (const auto& [name, m] : methods_)
                table_.push_back(SD_BUS_METHOD(keepText(name), keepText(m.in), keepText(m.out),
                                               &call, SD_BUS_VTABLE_UNPRIVILEGED));
            table_.push_back(SD_BUS_VTABLE_END);
            return sd_bus_add_object_vtable(owner_->connection_->raw(), &slot_, path_.c_str(),
                                            interface_.c_str(), table_.data(), this) >= 0;
        }
        const char* keepText(const std::string& text) { return texts_.emplace_back(text).c_str(); }
        static constexpr const char* signatures[] = {"b", "u", "d", "s"};

        static int get(sd_bus*, const char*, const char*, const char* property,
                       sd_bus_message* reply, void* self, sd_bus_error*) {
            const auto& value = static_cast<Object*>(self)->properties_.at(property);
            return std::visit(
                [&](const auto& v) {
                    if constexpr (std::is_same_v<decltype(v), const std::string&>)
                        return sd_bus_message_append(reply, "s", v.c_str());
                    else
                        return sd_bus_message_append(reply, signatures[value.index()], v);
                },
                value);
        }
        // Reads what a client sets as the property's own type (a bool arrives as an int).
        static int put(sd_bus*, const char*, const char*, const char* property,
                       sd_bus_message* value, void* self, sd_bus_error*) {
            auto& kept = static_cast<Object*>(self)->properties_.at(property);
            return std::visit(
                [&](auto& v) {
                    using T = std::decay_t<decltype(v)>;
                    std::conditional_t<std::is_same_v<T, std::string>, const char*,
                                       std::conditional_t<std::is_same_v<T, bool>, int, T>>
                        read{};
                    const int r = sd_bus_message_read(value, signatures[kept.index()], &read);
                    if (r >= 0) v = T(read);
                    return r;
                },
                kept);
        }
        static int call(sd_bus_message* message, void* self, sd_bus_error*) {
            const auto& methods = static_cast<Object*>(self)->methods_;
            return methods.at(sd_bus_message_get_member(message)).handler(message);
        }

        FakeBusService* owner_;
        std::string path_, interface_;
        std::map<std::string, Value> properties_;
        std::set<std::string> writable_;
        std::map<std::string, MethodEntry> methods_;
        std::deque<std::string> texts_;
        std::vector<sd_bus_vtable> table_;
        sd_bus_slot* slot_ = nullptr;
    };

    // The service and its first object, which `property`, `method` and `set` below are for.
    FakeBusService(GLibMainLoop& loop, const std::string& address, std::string name,
                   std::string path, std::string interface)
        : name_(std::move(name)) {
        auto opened = BusConnection::open(BusConnection::Bus::session, loop, loop, address);
        if (opened) connection_ = std::move(opened).value();
        add(std::move(path), std::move(interface));
    }
    ~FakeBusService() { stop(); }

    // Another object; published at once when the service already is.
    Object& add(std::string path, std::string interface, std::map<std::string, Value> properties = {}) {
        Object& added = objects_.emplace_back(Object(this, std::move(path), std::move(interface)));
        added.properties_ = std::move(properties);
        if (published_) added.publish();
        return added;
    }
    void property(const std::string& name, Value value) { objects_.front().property(name, std::move(value)); }
    void method(const std::string& name, const char* in, const char* out, Method handler) {
        objects_.front().method(name, in, out, std::move(handler));
    }
    void set(const std::string& name, Value value) { objects_.front().set(name, std::move(value)); }
    // Publishes the objects and takes the name; false when the bus refused.
    bool publish() {
        if (!connection_) return false;
        for (auto& object : objects_)
            if (!object.publish()) return false;
        published_ = sd_bus_request_name(connection_->raw(), name_.c_str(), 0) >= 0;
        connection_->flush();
        return published_;
    }
    // The service's own connection (to emit signals from it), null once stopped.
    BusConnection* connection() const { return connection_.get(); }
    // The service stops: its name goes.
    void stop() {
        for (auto& object : objects_) object.slot_ = sd_bus_slot_unref(object.slot_);
        connection_.reset();
        published_ = false;
    }

  private:
    std::string name_;
    std::unique_ptr<BusConnection> connection_;
    std::deque<Object> objects_;
    bool published_ = false;
};

}  // namespace vesperine
