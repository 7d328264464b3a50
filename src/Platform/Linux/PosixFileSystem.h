#pragma once

#include "Platform/FileSystem.h"

namespace vesperine {

// Files on the local disk. Atomic writes go to a temporary file in the same folder, which is
// flushed to disk (fsync) and then renamed over the target (or, for a new file, renamed only
// if the target does not exist); the folder is synced too, so the rename itself survives a
// power cut.
class PosixFileSystem final : public FileSystem {
public:
    ReadResult read(const std::string& path) const override;
    Status writeAtomically(const std::string& path, const std::string& bytes) override;
    Status writeNewAtomically(const std::string& path, const std::string& bytes) override;
    Status move(const std::string& from, const std::string& to) override;
    bool exists(const std::string& path) const override;

    // Creates `path` and its missing parents (mode 0700 for new folders).
    static Status createDirectories(const std::string& path);
    // rename(2) that fails with EEXIST instead of replacing `to`; errno says why on false.
    static bool renameWithoutReplacing(const std::string& from, const std::string& to);

private:
    static Status write(const std::string& path, const std::string& bytes, bool keepExisting);
};

}  // namespace vesperine
