#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "Support/Result.h"

namespace vesperine {

// The other running instances of the program: the processes of this user that hold the
// instance lock file ("<bundle id>.lock") open in the runtime folder a launch with this
// environment uses, the first of `folders` that exists and is private, as the
// single-instance lock chooses it. So a copy started with other folders (a test's own) is
// never counted, and nothing of another user is.
class RunningInstances {
public:
    RunningInstances(std::vector<std::string> folders, std::string bundleId);

    // The processes, this one excepted.
    std::vector<pid_t> find() const;
    // Sends each of them SIGTERM (they give the displays back and quit) and waits until all
    // have let go of the lock, for `patience` at most.
    Status endAll(std::chrono::milliseconds patience) const;

private:
    std::string lockFile() const;

    std::vector<std::string> folders_;
    std::string bundleId_;
};

}  // namespace vesperine
