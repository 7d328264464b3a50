#pragma once

#include <string>
#include <utility>

#include "Platform/Scheduler.h"
#include "Platform/SingleInstance.h"

namespace vesperine {

// The later launch's side of the instance socket: connect, check that the listener is this
// user, send the request line, read the answer. Blocks, but never past `patience` in all, so
// a stopped or wedged instance costs the launch that long and no more. `clock` only tells
// the time. Answers `handedOver`, `refused`, `noAnswer` (the request never reached the
// instance) or `unanswered` (it did, and no answer came in time), or that the instance
// steps aside for this launch.
namespace InstanceHandOver {

struct Answer {
    // Implicit: every answer but stepping aside is a claim as it stands.
    Answer(SingleInstance::Claim said) : claim(std::move(said)) {}
    Answer(SingleInstance::Outcome outcome, std::string detail)
        : claim{outcome, std::move(detail)} {}
    SingleInstance::Claim claim;
    // The instance ends instead of carrying the request out; the launch is to start in its
    // place once the lock is free (`claim` then says nothing).
    bool stepsAside = false;
};

Answer send(const std::string& socketPath, SingleInstance::Request request, const Scheduler& clock,
            Duration patience);

}  // namespace InstanceHandOver

}  // namespace vesperine
