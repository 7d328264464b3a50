#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/Locator.h"
#include "Platform/Logger.h"
#include "Platform/Scheduler.h"
#include "Support/Alive.h"

namespace vesperine {

// The machine's location service, GeoClue, on the system bus: one client asked for a
// position at city accuracy under our desktop id (the id its agent and the desktop's privacy
// settings decide by), started, and stopped again at the first position it reports. A
// service that is missing, refuses (an error reply at any step) or reports nothing within
// `patience` ends the ask with a line that says so, and the outcome is logged.
//
// GeoClue hands one client to each bus connection, so asks made while one is under way join
// it rather than start another that would stop the first. `systemBus` may be null (no system
// bus: every ask fails, saying so); it and the scheduler must outlive this.
class GeoClueLocator final : public Locator {
public:
    static constexpr Duration defaultPatience = std::chrono::seconds(10);
    // GeoClue's accuracy levels: country 1, city 4, neighbourhood 5, street 6, exact 8.
    // A city is all sunrise and sunset need, and it asks the least of the person.
    static constexpr std::uint32_t cityAccuracy = 4;

    GeoClueLocator(BusConnection* systemBus, Scheduler& scheduler, Logger& logger,
                   std::string desktopId, Duration patience = defaultPatience);
    // A client still looking is told to stop.
    ~GeoClueLocator() override;
    GeoClueLocator(const GeoClueLocator&) = delete;
    GeoClueLocator& operator=(const GeoClueLocator&) = delete;

    Handle locate(Answer answer) override;

private:
    void begin();
    void getClient();
    void explainNoClient(const std::string& error);
    // Sets one of the client's properties, then goes on with `next`.
    void setProperty(const char* name, const BusConnection::Writer& value,
                     std::function<void()> next);
    void startClient();
    void read(const std::string& locationPath);
    // Ends the ask with `result` (`detail`: what the log adds for a failure).
    void finish(Result<Fix> result, const std::string& detail = "");
    void stopClient();

    BusConnection* bus_;
    Scheduler& scheduler_;
    Log log_;
    std::string desktopId_;
    Duration patience_;
    std::map<std::uint64_t, Answer> waiting_;
    std::uint64_t nextId_ = 0;
    // The ask under way.
    bool asking_ = false;
    std::string client_;  // its object path, once GeoClue gave one
    bool started_ = false;
    Handle call_;
    Handle updates_;
    Handle stopping_;
    Timer deadline_;
    Alive alive_;
};

}  // namespace vesperine
