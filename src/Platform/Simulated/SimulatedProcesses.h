#pragma once

#include <map>
#include <set>
#include <vector>

#include "Platform/Processes.h"
#include "Platform/Scheduler.h"
#include "Support/CallbackList.h"

namespace vesperine {

// Running programs for tests. A process quits on a later turn of the loop when asked,
// unless it was started as one that ignores the request; `end` stops it from outside.
class SimulatedProcesses final : public Processes {
  public:
    explicit SimulatedProcesses(Scheduler& scheduler) : scheduler_(scheduler) {}

    std::vector<RunningProcess> list(const std::vector<std::string>& executables) override;
    Status terminate(const RunningProcess& process) override;
    Handle observeExits(std::function<void(const RunningProcess&)> onExit) override {
        return exits_.add(std::move(onExit));
    }

    // Control side.
    void start(int pid, std::string executable, bool ignoresTerminate = false);
    // The process ends; observers hear of it if a listing knew it.
    void end(int pid);
    // Every process asked to quit, in order.
    const std::vector<int>& terminated() const { return terminated_; }
    int listings() const { return listings_; }

  private:
    struct Entry {
        RunningProcess process;
        bool ignoresTerminate = false;
        bool known = false;
    };
    Scheduler& scheduler_;
    std::map<int, Entry> running_;
    std::vector<int> terminated_;
    int listings_ = 0;
    CallbackList<RunningProcess> exits_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vesperine
