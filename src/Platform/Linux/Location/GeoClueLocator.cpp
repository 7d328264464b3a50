#include "Platform/Linux/Location/GeoClueLocator.h"

#include <systemd/sd-bus.h>

#include <cstdio>

#include "Platform/Linux/DBus/BusProperties.h"

namespace vesperine {

namespace {

constexpr const char* geoClueService = "org.freedesktop.GeoClue2";
constexpr const char* geoClueManagerPath = "/org/freedesktop/GeoClue2/Manager";
constexpr const char* geoClueManagerInterface = "org.freedesktop.GeoClue2.Manager";
constexpr const char* geoClueClientInterface = "org.freedesktop.GeoClue2.Client";
constexpr const char* geoClueLocationInterface = "org.freedesktop.GeoClue2.Location";
constexpr const char* geoCluePropertiesInterface = "org.freedesktop.DBus.Properties";

std::string geoClueSeconds(Duration span) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", toSeconds(span));
    return text;
}

std::string geoClueRefusal(const std::string& error) {
    return "GeoClue, the location service, refused: " + error;
}

}  // namespace

GeoClueLocator::GeoClueLocator(BusConnection* systemBus, Scheduler& scheduler, Logger& logger,
                               std::string desktopId, Duration patience)
    : bus_(systemBus),
      scheduler_(scheduler),
      log_(logger, "location"),
      desktopId_(std::move(desktopId)),
      patience_(patience) {}

GeoClueLocator::~GeoClueLocator() {
    stopClient();
}

Handle GeoClueLocator::locate(Answer answer) {
    const std::uint64_t id = ++nextId_;
    waiting_.emplace(id, std::move(answer));
    if (!asking_) begin();
    return Handle::make(alive_.guard([this, id] {
        // Nobody waits any more: GeoClue need not keep looking (or keep its sensors on).
        if (waiting_.erase(id) && waiting_.empty() && asking_) {
            stopClient();
            call_.cancel();
            updates_.cancel();
            deadline_.cancel();
            asking_ = false;
        }
    }));
}

void GeoClueLocator::begin() {
    asking_ = true;
    client_.clear();
    started_ = false;
    if (!bus_ || !bus_->isConnected()) {
        // Answered on a later turn, as every answer is.
        deadline_ = scheduler_.oneShot(Duration::zero(), alive_.guard([this] {
            finish(Error{"there is no system bus to ask GeoClue, the location service, on"});
        }));
        return;
    }
    deadline_ = scheduler_.oneShot(patience_, alive_.guard([this] {
        finish(Error{"GeoClue, the location service, found no position within " +
                     geoClueSeconds(patience_) + " s"});
    }));
    getClient();
}

void GeoClueLocator::getClient() {
    call_ =
        bus_->call({geoClueService, geoClueManagerPath, geoClueManagerInterface, "GetClient"},
                   nullptr, alive_.guard([this](sd_bus_message* reply, const std::string& error) {
                       const char* path = nullptr;
                       if (!error.empty()) return explainNoClient(error);
                       if (sd_bus_message_read(reply, "o", &path) < 0 || !path) {
                           return finish(Error{"GeoClue, the location service, gave no client"});
                       }
                       client_ = path;
                       setProperty(
                           "DesktopId",
                           [id = desktopId_](sd_bus_message* m) {
                               return sd_bus_message_append(m, "v", "s", id.c_str());
                           },
                           [this] {
                               setProperty(
                                   "RequestedAccuracyLevel",
                                   [](sd_bus_message* m) {
                                       return sd_bus_message_append(m, "v", "u", cityAccuracy);
                                   },
                                   [this] { startClient(); });
                           });
                   }),
                   patience_);
}

// An error from the manager is a refusal when GeoClue runs, and its absence otherwise (no
// service file, or it failed to start): the bus's own error names do not tell a refusal
// from a crash on activation, its owner does.
void GeoClueLocator::explainNoClient(const std::string& error) {
    call_ = bus_->call(
        {"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner"},
        [](sd_bus_message* m) { return sd_bus_message_append(m, "s", geoClueService); },
        alive_.guard([this, error](sd_bus_message* reply, const std::string& failed) {
            int runs = 0;
            if (failed.empty() && sd_bus_message_read(reply, "b", &runs) >= 0 && runs) {
                return finish(Error{geoClueRefusal(error)});
            }
            finish(Error{"GeoClue, the location service, isn't installed or didn't start"}, error);
        }),
        patience_);
}

void GeoClueLocator::setProperty(const char* name, const BusConnection::Writer& value,
                                 std::function<void()> next) {
    call_ = bus_->call(
        {geoClueService, client_, geoCluePropertiesInterface, "Set"},
        [name, value](sd_bus_message* m) {
            const int r = sd_bus_message_append(m, "ss", geoClueClientInterface, name);
            return r < 0 ? r : value(m);
        },
        alive_.guard([this, next = std::move(next)](sd_bus_message*, const std::string& error) {
            if (!error.empty()) return finish(Error{geoClueRefusal(error)});
            next();
        }),
        patience_);
}

void GeoClueLocator::startClient() {
    // Listening first: GeoClue may report a position it already knows before Start returns.
    // The match and the call go out in this order on one connection, so the bus applies the
    // match before GeoClue can answer.
    updates_ = bus_->match({geoClueService, client_, geoClueClientInterface, "LocationUpdated"},
                           alive_.guard([this](sd_bus_message* signal) {
                               const char *before = nullptr, *after = nullptr;
                               if (sd_bus_message_read(signal, "oo", &before, &after) < 0 ||
                                   !after || std::string(after) == "/") {
                                   return;
                               }
                               updates_.cancel();  // the first position is the one asked for
                               read(after);
                           }));
    started_ = true;
    call_ = bus_->call({geoClueService, client_, geoClueClientInterface, "Start"}, nullptr,
                       alive_.guard([this](sd_bus_message*, const std::string& error) {
                           if (error.empty()) return;
                           started_ = false;
                           finish(Error{geoClueRefusal(error)});
                       }),
                       patience_);
}

void GeoClueLocator::read(const std::string& locationPath) {
    call_ = bus_->call(
        {geoClueService, locationPath, geoCluePropertiesInterface, "GetAll"},
        [](sd_bus_message* m) { return sd_bus_message_append(m, "s", geoClueLocationInterface); },
        alive_.guard([this](sd_bus_message* reply, const std::string& error) {
            const std::string broken = "GeoClue, the location service, gave no readable position";
            if (!error.empty()) return finish(Error{broken}, error);
            const auto properties = BusProperties::readMap(reply);
            if (!properties) return finish(Error{broken}, properties.error().description);
            const auto number = [&](const char* name) -> const double* {
                const auto found = properties->find(name);
                return found == properties->end() ? nullptr : found->second.as<double>();
            };
            const double* latitude = number("Latitude");
            const double* longitude = number("Longitude");
            if (!latitude || !longitude) {
                return finish(Error{broken}, "no Latitude or Longitude of type d");
            }
            const double* accuracy = number("Accuracy");
            finish(Fix{*latitude, *longitude, accuracy ? *accuracy : 0});
        }),
        patience_);
}

void GeoClueLocator::finish(Result<Fix> result, const std::string& detail) {
    if (!asking_) return;
    stopClient();
    call_.cancel();
    updates_.cancel();
    deadline_.cancel();
    asking_ = false;
    if (result) {
        log_.info("GeoClue places this computer at %.4f, %.4f (within %.0f m)", result->latitude,
                  result->longitude, result->accuracyMetres);
    } else {
        log_.notice("Couldn't locate this computer: %s%s%s", result.error().description.c_str(),
                    detail.empty() ? "" : ": ", detail.c_str());
    }
    // Answers may ask again: that is a new ask, with its own waiters.
    auto answers = std::move(waiting_);
    waiting_.clear();
    for (auto& [id, answer] : answers) {
        if (answer) answer(result);
    }
}

void GeoClueLocator::stopClient() {
    if (!started_ || client_.empty() || !bus_ || !bus_->isConnected()) return;
    started_ = false;
    // Nothing waits for the reply; the handle is kept only so that the call goes out whole.
    stopping_ = bus_->call({geoClueService, client_, geoClueClientInterface, "Stop"}, nullptr,
                           nullptr, patience_);
    bus_->flush();
}

}  // namespace vesperine
