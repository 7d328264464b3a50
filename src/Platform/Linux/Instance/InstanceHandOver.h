#pragma once

#include <string>

#include "Platform/Scheduler.h"
#include "Platform/SingleInstance.h"

namespace vesperine {

// The later launch's side of the instance socket: connect, check that the listener is this
// user, send the request line, read the answer. Blocks, but never past `patience` in all, so
// a stopped or wedged instance costs the launch that long and no more. `clock` only tells
// the time. Returns `handedOver`, `refused`, `noAnswer` (the request never reached the
// instance) or `unanswered` (it did, and no answer came in time).
namespace InstanceHandOver {

SingleInstance::Claim send(const std::string& socketPath, SingleInstance::Request request,
                           const Scheduler& clock, Duration patience);

}  // namespace InstanceHandOver

}  // namespace vesperine
