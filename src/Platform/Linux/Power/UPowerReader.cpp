#include "Platform/Linux/Power/UPowerReader.h"

#include <systemd/sd-bus.h>

#include <cmath>

namespace vesperine {

namespace {

constexpr const char* service = "org.freedesktop.UPower";
constexpr const char* daemonPath = "/org/freedesktop/UPower";
constexpr const char* daemonInterface = "org.freedesktop.UPower";
constexpr const char* displayPath = "/org/freedesktop/UPower/devices/DisplayDevice";
constexpr const char* deviceInterface = "org.freedesktop.UPower.Device";

// UPower's device kinds and states (its D-Bus interface documents the numbers).
constexpr std::uint32_t kindBattery = 2;
constexpr std::uint32_t stateDischarging = 2;
constexpr std::uint32_t stateEmpty = 3;
constexpr std::uint32_t statePendingDischarge = 6;

}  // namespace

UPowerReader::UPowerReader(BusConnection& systemBus, Scheduler& scheduler, Logger& logger,
                           std::function<void()> onChange, Duration timeout)
    : bus_(systemBus), log_(logger, "power"), onChange_(std::move(onChange)),
      daemon_(&systemBus, scheduler, log_, "UPower", {{service, daemonPath, daemonInterface}},
              [this](const BusProperties::Map& properties, bool all) {
                  if (all) startRound();
                  applyDaemon(properties);
                  return success();
              },
              [this] { daemonChanged(); }, {timeout}) {
    auto deviceSignal = [this](const char* member, bool added) {
        return bus_.match({service, daemonPath, daemonInterface, member},
                          alive_.guard([this, added](sd_bus_message* message) {
                              const char* path = nullptr;
                              if (sd_bus_message_read(message, "o", &path) < 0 || !path) return;
                              if (added) {
                                  addDevice(path);
                              } else if (devices_.erase(path) > 0) {
                                  update();
                              }
                          }));
    };
    added_ = deviceSignal("DeviceAdded", true);
    removed_ = deviceSignal("DeviceRemoved", false);
    displayChanges_ = bus_.watchProperties(
        {service, displayPath, deviceInterface, ""}, alive_.guard([this](sd_bus_message* message) {
            auto changed = BusProperties::readMap(message);
            if (!changed) {
                log_.write(LogLevel::error,
                           "UPower sent a malformed change: " + changed.error().description);
                return;
            }
            applyDisplay(*changed);
            update();
        }));
}

void UPowerReader::daemonChanged() {
    const bool running = daemon_.state() == BusServiceReader::State::present;
    if (running != running_) log_.always(LogLevel::info, running ? "UPower started" : "UPower stopped");
    running_ = running;
    if (running) {
        update();
    } else {
        forget();
    }
}

void UPowerReader::send(const std::string& member, const std::string& path, const char* interface,
                        const BusConnection::Writer& arguments, Handler onReply) {
    const std::uint64_t id = ++nextCall_;
    const std::uint64_t generation = generation_;
    ++outstanding_;
    calls_[id] = daemon_.call(
        member, arguments,
        alive_.guard([this, id, generation, onReply = std::move(onReply)](
                         sd_bus_message* reply, const std::string& error) {
            calls_.erase(id);
            if (generation != generation_) return;  // an answer to a round given up
            onReply(reply, error);
            answered();
        }),
        path, interface);
}

void UPowerReader::getAll(const std::string& path, const char* interface, Handler onReply) {
    send("GetAll", path, "org.freedesktop.DBus.Properties",
         [interface](sd_bus_message* m) { return sd_bus_message_append(m, "s", interface); },
         std::move(onReply));
}

// The daemon answered: its display device and its devices are asked for, and the reading
// waits for them.
void UPowerReader::startRound() {
    clear();
    getAll(displayPath, deviceInterface, [this](sd_bus_message* reply, const std::string& error) {
        if (!reply) {
            log_.write(LogLevel::info, "display", "UPower has no display device: " + error);
            return;
        }
        if (auto properties = BusProperties::readMap(reply)) applyDisplay(*properties);
    });
    send("EnumerateDevices", daemonPath, daemonInterface, nullptr,
         [this](sd_bus_message* reply, const std::string& error) {
             if (!reply) {
                 log_.write(LogLevel::info, "enumerate", "UPower didn't list its devices: " + error);
                 return;
             }
             int r = sd_bus_message_enter_container(reply, 'a', "o");
             const char* path = nullptr;
             while (r > 0 && (r = sd_bus_message_read(reply, "o", &path)) > 0) addDevice(path);
             if (r < 0) log_.write(LogLevel::error, "UPower listed its devices in a form we can't read");
         });
}

void UPowerReader::forget() {
    clear();
    update();
}

void UPowerReader::clear() {
    ++generation_;
    calls_.clear();
    outstanding_ = 0;
    onBattery_.reset();
    displayType_.reset();
    displayState_.reset();
    displayPercentage_.reset();
    devices_.clear();
}

void UPowerReader::addDevice(const std::string& path) {
    getAll(path, deviceInterface, [this, path](sd_bus_message* reply, const std::string&) {
        if (!reply) return;  // gone again before it answered
        auto properties = BusProperties::readMap(reply);
        if (!properties) return;
        Device device;
        device.type = number(*properties, "Type", path);
        if (auto found = properties->find("PowerSupply"); found != properties->end()) {
            if (const bool* supply = found->second.as<bool>()) device.powerSupply = *supply;
        }
        devices_[path] = device;
    });
}

std::optional<std::uint32_t> UPowerReader::number(const BusProperties::Map& properties,
                                                  const char* name, const std::string& owner) {
    auto found = properties.find(name);
    if (found == properties.end()) return std::nullopt;
    if (const auto* value = found->second.as<std::uint32_t>()) return *value;
    log_.write(LogLevel::error, owner + name,
               "UPower's " + std::string(name) + " of " + owner + " is of type \"" +
                   found->second.signature + "\", not a number; ignored");
    return std::nullopt;
}

void UPowerReader::applyDaemon(const BusProperties::Map& properties) {
    auto found = properties.find("OnBattery");
    if (found == properties.end()) return;
    if (const bool* flag = found->second.as<bool>()) {
        onBattery_ = *flag;
        return;
    }
    onBattery_.reset();
    log_.write(LogLevel::error, "OnBattery",
               "UPower's OnBattery is of type \"" + found->second.signature +
                   "\", not a boolean; the display device's state stands in");
}

void UPowerReader::applyDisplay(const BusProperties::Map& properties) {
    if (properties.count("Type")) displayType_ = number(properties, "Type", displayPath);
    if (properties.count("State")) displayState_ = number(properties, "State", displayPath);
    auto found = properties.find("Percentage");
    if (found == properties.end()) return;
    displayPercentage_.reset();
    const double* percentage = found->second.as<double>();
    if (percentage && std::isfinite(*percentage) && *percentage >= 0 && *percentage <= 100) {
        displayPercentage_ = *percentage;
    } else {
        log_.write(LogLevel::error, "Percentage",
                   "UPower's battery Percentage is not a number from 0 to 100 (type \"" +
                       found->second.signature + "\"); the charge counts as unknown");
    }
}

void UPowerReader::answered() {
    if (--outstanding_ <= 0) update();
}

UPowerReader::Reading UPowerReader::compute() const {
    Reading reading;
    bool internal = false;
    for (const auto& [path, device] : devices_) {
        internal = internal || (device.type == kindBattery && device.powerSupply);
    }
    if (!internal) return reading;
    if (onBattery_) {
        reading.onBattery = *onBattery_;
    } else if (displayState_) {
        reading.onBattery = *displayState_ == stateDischarging || *displayState_ == stateEmpty ||
                            *displayState_ == statePendingDischarge;
    }
    if (displayType_ == kindBattery && displayPercentage_) {
        reading.percent = static_cast<int>(*displayPercentage_);  // truncated, like a charge count
    }
    return reading;
}

void UPowerReader::update() {
    if (outstanding_ > 0) return;  // keep the last whole reading until the round is answered
    std::optional<Reading> next;
    if (running_) next = compute();
    if (next == reading_) return;
    reading_ = next;
    if (onChange_) onChange_();
}

}  // namespace vesperine
