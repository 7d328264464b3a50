#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/IoWatcher.h"
#include "Platform/Linux/Files/PrivateFolder.h"
#include "Platform/Logger.h"
#include "Platform/Scheduler.h"
#include "Platform/SingleInstance.h"
#include "Support/Result.h"

namespace vesperine {

// A per-user lock (flock on "<bundle id>.lock") plus a local socket ("<bundle id>.socket") on
// which the holder takes requests from later launches, both in the first of `folders` that
// is private (see PrivateFolder; others are skipped with a log line). The kernel drops the
// lock when the holder dies, however it dies, so no stale lock can keep the program from
// starting; a stale socket file is replaced by the next holder. Where no folder is private
// the program runs without the guarantee and says so in the log.
//
// Only this user may talk on the socket, checked on both ends (SO_PEERCRED). The holder never
// blocks: it takes connections and reads requests on the main loop, drops a launch that has
// sent no request within `exchangeLimit`, and keeps at most `maxWaitingLaunches` (dropping
// the oldest), so idle connections cost nothing lasting. A launch waits `exchangeLimit` at
// most for the holder to answer.
//
// A holder that only keeps something until the program proper starts (a pick held without
// windows) steps aside instead: it answers each request with that, stops listening and ends;
// the launch waits for the lock (`stepAsideLimit` at most) and claims it as a first launch
// would.
class LockFileSingleInstance final : public SingleInstance {
public:
    static constexpr Duration exchangeLimit = std::chrono::seconds(2);
    static constexpr std::size_t maxWaitingLaunches = 16;
    static constexpr Duration stepAsideLimit = std::chrono::seconds(5);

    LockFileSingleInstance(IoWatcher& watcher, Scheduler& scheduler, Logger& logger,
                           std::vector<std::string> folders, std::string bundleId);
    ~LockFileSingleInstance() override;

    // The process that holds the lock in `folders` (the first private one, as a claim would
    // pick it), read from /proc/locks without touching the lock; none when nobody holds it.
    // Fails when that cannot be told (no private folder, no /proc/locks).
    static Result<std::optional<pid_t>> holder(const std::vector<std::string>& folders,
                                               const std::string& bundleId);

    Claim claimOrHandOver(Request request) override;
    void setOnRequest(std::function<void(Request)> onRequest) override {
        onRequest_ = std::move(onRequest);
    }
    // From now on a later launch's request is not carried out: the launch is told to start
    // in this instance's place, and `onStepAside` runs, which is to end this one (giving
    // the displays back) soon. None: requests are carried out again.
    void stepAsideForLaunches(std::function<void()> onStepAside) {
        onStepAside_ = std::move(onStepAside);
    }

private:
    struct Launch;

    void listen();
    void acceptWaiting();
    void read(std::uint64_t id);
    // Hands `request` to the holder of `lock`; when that steps aside, waits to take the
    // lock (`claimed` once it is this launch's) or hands over to whoever took it first.
    Claim takeOver(int lock, Request request);
    void stopListening();

    IoWatcher& watcher_;
    Scheduler& scheduler_;
    Log log_;
    std::vector<std::string> folders_;
    std::string lockName_;
    std::string socketName_;
    std::optional<PrivateFolder> folder_;
    int lockFd_ = -1;
    int listenFd_ = -1;
    IoWatch watch_;
    std::map<std::uint64_t, std::unique_ptr<Launch>> launches_;  // by arrival
    std::uint64_t nextLaunch_ = 0;
    std::function<void(Request)> onRequest_;
    std::function<void()> onStepAside_;
};

}  // namespace vesperine
