#include "Platform/Simulated/SimulatedTrash.h"

namespace vesperine {

Result<std::string> SimulatedTrash::moveToTrash(const std::string& path) {
    if (failure_) return Error{*failure_};
    const std::string name = path.substr(path.find_last_of('/') + 1);
    std::string target = "/Trash/" + name;
    if (files_) {
        if (!files_->exists(path)) return Error{"No such file or directory"};
        for (int n = 2; files_->exists(target); ++n)
            target = "/Trash/" + name + "." + std::to_string(n);
        files_->rename(path, target);
    }
    trashed_.push_back(path);
    return target;
}

}  // namespace vesperine
