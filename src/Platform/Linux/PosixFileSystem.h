#pragma once

#include "Platform/FileSystem.h"

namespace vesperine {

// Files on the local disk. Atomic writes go to a temporary file in the target's folder (the
// folder of the file a link finally names), which is flushed to disk (fsync) and then renamed
// over the target; the folder is synced too, so the rename itself survives a power cut.
class PosixFileSystem final : public FileSystem {
public:
    // Links followed from one path before it counts as a loop (the kernel's own limit).
    static constexpr int maximumLinks = 40;

    ReadResult read(const std::string& path) const override;
    Status writeAtomically(const std::string& path, const std::string& bytes) override;
    Result<std::string> moveAside(const std::string& path, const std::string& suffix) override;
    bool exists(const std::string& path) const override;

    // Creates `path` and its missing parents (mode 0700 for new folders).
    static Status createDirectories(const std::string& path);
};

}  // namespace vesperine
