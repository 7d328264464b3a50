#include "Platform/Linux/DBus/BusServiceReader.h"

#include <systemd/sd-bus.h>

#include <cctype>

namespace vesperine {

BusServiceReader::BusServiceReader(BusConnection* bus, Scheduler& scheduler, LogOnce& log,
                                   std::string what, std::vector<Name> candidates, Take take,
                                   std::function<void()> onChange, Options options)
    : bus_(bus), scheduler_(scheduler), log_(log), what_(std::move(what)),
      candidates_(std::move(candidates)), take_(std::move(take)), onChange_(std::move(onChange)),
      options_(options) {
    if (!bus_) {
        state_ = State::absent;
        return;
    }
    // The service may start after us (a session still coming up), restart, or be replaced by
    // another version under another of its names: ask again from the first.
    for (const auto& candidate : candidates_) {
        owners_.push_back(bus_->watchNameOwner(
            candidate.service, alive_.guard([this, service = candidate.service](bool hasOwner) {
                if (!hasOwner && chosen_ && chosen_->service == service) absent();
                probe();
            })));
    }
    loss_ = bus_->observeLoss(alive_.guard([this] {
        log_.write(LogLevel::error, "Lost the bus; no longer reading " + what_);
        absent();
    }));
    probe();
}

void BusServiceReader::probe() {
    retry_.cancel();
    ask(0);
}

// Asks whether the candidate's name has an owner: that never starts a service by
// activation, and tells "not here" (silent) from "broken" (logged).
void BusServiceReader::ask(std::size_t candidate) {
    if (candidate >= candidates_.size()) {
        absent();
        return;
    }
    const std::string service = candidates_[candidate].service;
    probing_ = bus_->call(
        {"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner"},
        [service](sd_bus_message* m) { return sd_bus_message_append(m, "s", service.c_str()); },
        alive_.guard([this, candidate, service](sd_bus_message* reply, const std::string& error) {
            int has = 0;
            if (!error.empty() || sd_bus_message_read(reply, "b", &has) < 0) {
                broken("the bus could not say whether " + service + " runs: " + error);
            } else if (has) {
                choose(candidates_[candidate]);
            } else {
                ask(candidate + 1);
            }
        }),
        options_.timeout);
}

void BusServiceReader::choose(const Name& name) {
    if (!chosen_ || chosen_->service != name.service) {
        chosen_ = name;
        ++generation_;
        changes_ = bus_->watchProperties(
            {name.service, name.path, name.interface, ""},
            alive_.guard([this](sd_bus_message* m) {
                if (state_ == State::present) taken(BusProperties::readMap(m), false);
            }));
    }
    reading_ = reread(nullptr);
}

Handle BusServiceReader::reread(std::function<void()> then) {
    if (!chosen_) {  // gone meanwhile: nothing to read
        scheduler_.post(alive_.guard([then = std::move(then)] {
            if (then) then();
        }));
        return {};
    }
    const Name name = *chosen_;
    return bus_->call(
        {name.service, name.path, "org.freedesktop.DBus.Properties", "GetAll"},
        [interface = name.interface](sd_bus_message* m) {
            return sd_bus_message_append(m, "s", interface.c_str());
        },
        alive_.guard([this, generation = generation_, then = std::move(then)](
                         sd_bus_message* reply, const std::string& error) {
            if (generation == generation_) {
                if (!error.empty()) {
                    broken(chosen_->service + " did not answer: " + error);
                } else {
                    taken(BusProperties::readMap(reply), true);
                }
            }
            if (then) then();
        }),
        options_.timeout);
}

Handle BusServiceReader::call(const std::string& member, const BusConnection::Writer& arguments,
                              BusConnection::ReplyHandler onReply, const std::string& path,
                              const std::string& interface) {
    if (!chosen_) {
        // Answered on a later turn like any call, so callers see one order.
        scheduler_.post(alive_.guard([this, onReply = std::move(onReply)] {
            if (onReply) onReply(nullptr, what_ + " is not running");
        }));
        return {};
    }
    return bus_->call({chosen_->service, path.empty() ? chosen_->path : path,
                       interface.empty() ? chosen_->interface : interface, member},
                      arguments, std::move(onReply), options_.timeout);
}

void BusServiceReader::taken(const Result<BusProperties::Map>& properties, bool all) {
    if (!properties) {
        broken(chosen_->service + " answered oddly: " + properties.error().description);
        return;
    }
    if (auto refused = take_(*properties, all); !refused) {
        broken(refused.error().description);
        return;
    }
    enter(State::present);
}

void BusServiceReader::absent() {
    probing_.cancel();
    reading_.cancel();
    retry_.cancel();
    changes_.cancel();
    chosen_.reset();
    ++generation_;
    enter(State::absent);
}

void BusServiceReader::broken(const std::string& cause) {
    std::string line = what_ + " can't be read: " + cause;
    line[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(line[0])));
    log_.write(LogLevel::error, line);
    retry_ = scheduler_.oneShot(options_.retryDelay, alive_.guard([this] { probe(); }));
    enter(State::broken);
}

void BusServiceReader::enter(State state) {
    state_ = state;
    if (onChange_) onChange_();
}

}  // namespace vesperine
