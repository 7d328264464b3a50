#pragma once

#include "Platform/FileSystem.h"

namespace vesperine {

// Files on the local disk. Atomic writes go to a temporary file in the target's folder (the
// folder of the file a link finally names), which is flushed to disk (fsync) and then renamed
// over the target (or, for a new file, renamed only if the target does not exist); the folder
// is synced too, so the rename itself survives a power cut.
class PosixFileSystem final : public FileSystem {
public:
    // Links followed from one path before it counts as a loop (the kernel's own limit).
    static constexpr int maximumLinks = 40;

    ReadResult read(const std::string& path) const override;
    Status writeAtomically(const std::string& path, const std::string& bytes) override;
    Status writeNewAtomically(const std::string& path, const std::string& bytes) override;
    Result<std::string> moveAside(const std::string& path, const std::string& suffix) override;
    bool exists(const std::string& path) const override;

    // Creates `path` and its missing parents (mode 0700 for new folders).
    static Status createDirectories(const std::string& path);
    // rename(2) that fails with EEXIST instead of replacing `to`; errno says why on false.
    static bool renameWithoutReplacing(const std::string& from, const std::string& to);
    // Removes the files in `folder` named "<prefix><pid>-..." whose writer process no longer
    // exists: what a crash or a kill -9 left before the rename. A live writer's file is its
    // own business, even if it is another instance's.
    static void removeStaleTemporaries(const std::string& folder, const std::string& prefix);

private:
    static Status write(const std::string& path, const std::string& bytes, bool keepExisting);
};

}  // namespace vesperine
