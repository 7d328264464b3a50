#pragma once

#include <map>
#include <memory>
#include <string>

#include "Platform/FileWatch.h"

namespace vesperine {

// File watches that a test drives: `changed` stands for the system's notice that a file was
// written, renamed over or removed; `refuse` for a folder that cannot be watched.
class SimulatedFileWatch final : public FileWatch {
public:
    Result<FileWatchHandle> watchFile(const std::string& path,
                                      std::function<void()> onChanged) override;

    // Calls every watch of `path`, as the main loop would.
    void changed(const std::string& path);
    void refuse(const std::string& path, std::string why) { refused_[path] = std::move(why); }

private:
    struct Watch {
        std::string path;
        std::function<void()> onChanged;
    };
    std::map<int, std::shared_ptr<Watch>> watches_;
    std::map<std::string, std::string> refused_;
    int next_ = 0;
};

}  // namespace vesperine
