#include "Platform/Simulated/SimulatedFileWatch.h"

#include <vector>

namespace vesperine {

Result<FileWatchHandle> SimulatedFileWatch::watchFile(const std::string& path,
                                                      std::function<void()> onChanged) {
    if (auto it = refused_.find(path); it != refused_.end()) return Error{it->second};
    const int id = next_++;
    watches_[id] = std::make_shared<Watch>(Watch{path, std::move(onChanged)});
    return FileWatchHandle::make([this, id] { watches_.erase(id); });
}

void SimulatedFileWatch::changed(const std::string& path) {
    // Copies: a callback may cancel its own watch or another.
    std::vector<std::shared_ptr<Watch>> due;
    for (const auto& [id, watch] : watches_) {
        if (watch->path == path) due.push_back(watch);
    }
    for (const auto& watch : due) watch->onChanged();
}

}  // namespace vesperine
