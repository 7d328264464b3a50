#include "Platform/Simulated/SimulatedProcesses.h"

#include <algorithm>

namespace vesperine {

std::vector<RunningProcess> SimulatedProcesses::list(const std::vector<std::string>& executables) {
    ++listings_;
    std::vector<RunningProcess> found;
    for (auto& [pid, entry] : running_) {
        if (std::find(executables.begin(), executables.end(), entry.process.executable) ==
            executables.end())
            continue;
        entry.known = true;
        found.push_back(entry.process);
    }
    return found;
}

Status SimulatedProcesses::terminate(const RunningProcess& process) {
    auto it = running_.find(process.pid);
    if (it == running_.end() || !it->second.known || it->second.process != process) {
        return Status::failure("No such process");
    }
    terminated_.push_back(process.pid);
    if (!it->second.ignoresTerminate) {
        std::weak_ptr<bool> alive = alive_;
        scheduler_.post([this, alive, pid = process.pid] {
            if (alive.lock()) end(pid);
        });
    }
    return success();
}

void SimulatedProcesses::start(int pid, std::string executable, bool ignoresTerminate) {
    running_[pid] = Entry{{pid, std::move(executable)}, ignoresTerminate, false};
}

void SimulatedProcesses::end(int pid) {
    auto it = running_.find(pid);
    if (it == running_.end()) return;
    const Entry entry = it->second;
    running_.erase(it);
    if (entry.known) exits_.notify(entry.process);
}

}  // namespace vesperine
