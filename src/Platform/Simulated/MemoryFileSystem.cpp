#include "Platform/Simulated/MemoryFileSystem.h"

namespace vesperine {

ReadResult MemoryFileSystem::read(const std::string& path) const {
    if (unreadable_.count(path)) return {false, {}, ReadFailure::unreadable, "Permission denied"};
    auto it = files_.find(path);
    if (it == files_.end()) return {false, {}, ReadFailure::notFound, "No such file or directory"};
    if (it->second.size() > maximumSize) return {false, {}, ReadFailure::unreadable, "File too large"};
    return {true, it->second, ReadFailure::notFound, {}};
}

Status MemoryFileSystem::writeAtomically(const std::string& path, const std::string& bytes) {
    if (bytes.size() > maximumSize) return Error{"File too large"};
    if (auto failing = failingWrites_.find(path); failing != failingWrites_.end())
        return Error{failing->second};
    ++writes_;
    files_[path] = bytes;
    unreadable_.erase(path);
    return success();
}

Result<std::string> MemoryFileSystem::moveAside(const std::string& path, const std::string& suffix) {
    auto it = files_.find(path);
    if (it == files_.end()) return Error{"No such file or directory"};
    std::string aside = asideName(path, suffix, 1);
    for (int n = 2; files_.count(aside); ++n) aside = asideName(path, suffix, n);
    files_[aside] = std::move(it->second);
    files_.erase(path);
    if (unreadable_.erase(path)) unreadable_.insert(aside);
    return aside;
}

}  // namespace vesperine
