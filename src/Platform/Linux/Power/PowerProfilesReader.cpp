#include "Platform/Linux/Power/PowerProfilesReader.h"

#include <systemd/sd-bus.h>

namespace vesperine {

namespace {
constexpr const char* property = "ActiveProfile";
constexpr const char* powerSaver = "power-saver";
}  // namespace

PowerProfilesReader::PowerProfilesReader(BusConnection& systemBus, Logger& logger,
                                         std::function<void()> onChange, Duration timeout)
    : bus_(systemBus),
      log_(logger, "power"),
      onChange_(std::move(onChange)),
      timeout_(timeout) {
    endpoints_[0].name = "org.freedesktop.UPower.PowerProfiles";
    endpoints_[0].path = "/org/freedesktop/UPower/PowerProfiles";
    endpoints_[1].name = "net.hadess.PowerProfiles";
    endpoints_[1].path = "/net/hadess/PowerProfiles";
    loss_ = bus_.observeLoss(alive_.guard([this] {
        log_.write(LogLevel::error, "Lost the system bus; the power profile is no longer heard");
        for (auto& endpoint : endpoints_) {
            ++endpoint.generation;
            endpoint.call.cancel();
            endpoint.profile.reset();
        }
        update();
    }));
    for (auto& endpoint : endpoints_) watch(endpoint);
}

void PowerProfilesReader::watch(Endpoint& endpoint) {
    // The interface is named like the service under both names.
    endpoint.owner = bus_.watchNameOwner(endpoint.name, alive_.guard([this, &endpoint](bool hasOwner) {
        if (hasOwner) {
            read(endpoint);
            return;
        }
        ++endpoint.generation;
        endpoint.call.cancel();
        endpoint.profile.reset();
        update();
    }));
    endpoint.changes = bus_.watchProperties(
        {endpoint.name, endpoint.path, endpoint.name, ""},
        alive_.guard([this, &endpoint](sd_bus_message* message) {
            auto changed = BusProperties::readMap(message);
            if (!changed) return;
            auto found = changed->find(property);
            if (found == changed->end()) return;
            apply(endpoint, found->second);
            update();
        }));
    read(endpoint);
}

void PowerProfilesReader::read(Endpoint& endpoint) {
    const std::uint64_t generation = ++endpoint.generation;
    const std::string interface = endpoint.name;
    endpoint.call = bus_.call(
        {endpoint.name, endpoint.path, "org.freedesktop.DBus.Properties", "Get"},
        [interface](sd_bus_message* m) {
            return sd_bus_message_append(m, "ss", interface.c_str(), property);
        },
        alive_.guard([this, &endpoint, generation](sd_bus_message* reply, const std::string& error) {
            if (generation != endpoint.generation) return;
            if (!reply) {
                log_.write(LogLevel::info, endpoint.name,
                           std::string("The power profiles aren't available as ") + endpoint.name +
                               ": " + error);
                endpoint.profile.reset();
            } else if (auto value = BusProperties::readVariant(reply)) {
                apply(endpoint, *value);
            }
            update();
        }),
        timeout_);
}

void PowerProfilesReader::apply(Endpoint& endpoint, const BusProperties::Value& value) {
    if (const auto* text = value.as<std::string>(); text && value.signature == "s") {
        endpoint.profile = *text;
        return;
    }
    endpoint.profile.reset();
    log_.write(LogLevel::error, std::string(endpoint.name) + ".type",
               std::string("The active power profile of ") + endpoint.name + " is of type \"" +
                   value.signature + "\", not text; Low Power Mode counts as off");
}

void PowerProfilesReader::update() {
    bool next = false;
    for (const auto& endpoint : endpoints_) {
        if (endpoint.profile) {
            next = *endpoint.profile == powerSaver;
            break;
        }
    }
    if (next == lowPowerMode_) return;
    lowPowerMode_ = next;
    if (onChange_) onChange_();
}

}  // namespace vesperine
