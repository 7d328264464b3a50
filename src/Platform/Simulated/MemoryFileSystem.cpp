#include "Platform/Simulated/MemoryFileSystem.h"

namespace vesperine {

ReadResult MemoryFileSystem::read(const std::string& path) const {
    if (unreadable_.count(path)) return {false, {}, ReadFailure::unreadable, "Permission denied"};
    auto it = files_.find(path);
    if (it == files_.end()) return {false, {}, ReadFailure::notFound, "No such file or directory"};
    return {true, it->second, ReadFailure::notFound, {}};
}

Status MemoryFileSystem::writeAtomically(const std::string& path, const std::string& bytes) {
    ++writes_;
    files_[path] = bytes;
    unreadable_.erase(path);
    return success();
}

Status MemoryFileSystem::move(const std::string& from, const std::string& to) {
    auto it = files_.find(from);
    if (it == files_.end()) return Error{"No such file or directory"};
    files_[to] = std::move(it->second);
    files_.erase(from);
    if (unreadable_.erase(from)) unreadable_.insert(to);
    return success();
}

}  // namespace vesperine
