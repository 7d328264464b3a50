#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/Linux/DBus/BusProperties.h"
#include "Platform/LogOnce.h"
#include "Support/Alive.h"

namespace vesperine {

// Follows the properties of one object of a desktop or system service, known under an
// ordered list of candidate names (a current one and older ones): the first candidate whose
// name has an owner is read with GetAll and then kept from PropertiesChanged, so its owner
// never waits on the bus. Each owner starting, stopping or being replaced asks again, from
// the first candidate.
//
// The service is `absent` where no candidate runs (not this desktop; nothing is logged),
// `present` once an answer was taken, and `broken` while it answers with an error, not at
// all within `timeout`, or with what the owner refuses: that is logged once per cause, and
// asked again after `retryDelay`. Losing the bus makes it absent for good. Every call is
// asynchronous and bounded by `timeout`; answers to a round given up are never taken.
class BusServiceReader {
public:
    struct Name {
        std::string service, path, interface;
    };
    enum class State { unknown, absent, present, broken };
    // The service's properties: all of them (`all`, a GetAll answer) or those that changed.
    // An error is the owner refusing them (a missing or odd value): the service is broken.
    using Take = std::function<Status(const BusProperties::Map& properties, bool all)>;
    struct Options {
        Duration timeout = std::chrono::seconds(2);
        Duration retryDelay = std::chrono::seconds(60);
    };

    // `bus` may be null (no such bus): then always absent. `what` names the service in the
    // log ("UPower"); `log` is the owner's, so that one problem is said once between them.
    // `onChange` runs after every answer taken and every change of `state()`.
    BusServiceReader(BusConnection* bus, Scheduler& scheduler, LogOnce& log, std::string what,
                     std::vector<Name> candidates, Take take, std::function<void()> onChange,
                     Options options);
    BusServiceReader(const BusServiceReader&) = delete;
    BusServiceReader& operator=(const BusServiceReader&) = delete;

    State state() const { return state_; }
    // The candidate that answered last; none while none does.
    const std::optional<Name>& chosen() const { return chosen_; }

    // Reads every property again (after a change of ours); `then` runs once it is answered
    // or given up, on a later turn in any case.
    [[nodiscard]] Handle reread(std::function<void()> then);
    // Calls `member` of the chosen candidate's object (another of its `path`, `interface`
    // when given), bounded by the timeout. An answer arriving after the candidate was given
    // up is dropped.
    [[nodiscard]] Handle call(const std::string& member, const BusConnection::Writer& arguments,
                              BusConnection::ReplyHandler onReply, const std::string& path = "",
                              const std::string& interface = "");
    // The owner found the service's answer unusable: logged once, asked again later.
    void broken(const std::string& cause);

private:
    void probe();
    void ask(std::size_t candidate);
    void choose(const Name& name);
    void taken(const Result<BusProperties::Map>& properties, bool all);
    void absent();
    void enter(State state);

    BusConnection* bus_;
    Scheduler& scheduler_;
    LogOnce& log_;
    std::string what_;
    std::vector<Name> candidates_;
    Take take_;
    std::function<void()> onChange_;
    Options options_;
    State state_ = State::unknown;
    std::optional<Name> chosen_;
    std::uint64_t generation_ = 0;  // one per candidate chosen: older answers are dropped
    Handle probing_, reading_, changes_, loss_;
    std::vector<Handle> owners_;
    Timer retry_;
    Alive alive_;
};

}  // namespace vesperine
