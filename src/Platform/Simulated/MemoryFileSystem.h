#pragma once

#include <map>
#include <set>
#include <string>

#include "Platform/FileSystem.h"

namespace vesperine {

// Files in memory, for tests and the simulated run. Paths are plain keys (there are no links
// or folders); a path can be made unreadable to stand for a file we may not read.
class MemoryFileSystem final : public FileSystem {
public:
    ReadResult read(const std::string& path) const override;
    Status writeAtomically(const std::string& path, const std::string& bytes) override;
    Result<std::string> moveAside(const std::string& path, const std::string& suffix) override;
    bool exists(const std::string& path) const override { return files_.count(path) > 0; }

    void put(const std::string& path, std::string bytes) { files_[path] = std::move(bytes); }
    void makeUnreadable(const std::string& path) { unreadable_.insert(path); }
    // Writes to `path` fail with `description` (a full disk, a read-only folder) until
    // cleared with an empty description.
    void failWrites(const std::string& path, std::string description) {
        if (description.empty()) {
            failingWrites_.erase(path);
        } else {
            failingWrites_[path] = std::move(description);
        }
    }
    // Moves a file to `to` (replacing what is there), as another program would.
    void rename(const std::string& from, const std::string& to) {
        auto node = files_.extract(from);
        if (node) files_[to] = std::move(node.mapped());
    }
    const std::map<std::string, std::string>& files() const { return files_; }
    int writes() const { return writes_; }

private:
    std::map<std::string, std::string> files_;
    std::set<std::string> unreadable_;
    std::map<std::string, std::string> failingWrites_;
    int writes_ = 0;
};

}  // namespace vesperine
