#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Platform/Simulated/MemoryFileSystem.h"
#include "Platform/Trash.h"

namespace vesperine {

// A Trash for tests. Given memory files, an item is moved there to "/Trash/<name>" (".2",
// ".3", ... when taken) and must exist; without them it is only recorded. The control side
// makes the next moves fail and lists what was trashed.
class SimulatedTrash final : public Trash {
public:
    explicit SimulatedTrash(MemoryFileSystem* files = nullptr) : files_(files) {}

    Result<std::string> moveToTrash(const std::string& path) override;

    // Control side.
    void failWith(std::optional<std::string> description) { failure_ = std::move(description); }
    const std::vector<std::string>& trashed() const { return trashed_; }

private:
    MemoryFileSystem* files_;
    std::optional<std::string> failure_;
    std::vector<std::string> trashed_;
};

}  // namespace vesperine
