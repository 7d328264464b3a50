#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Platform/FileWatch.h"
#include "Platform/IoWatcher.h"
#include "Platform/Logger.h"
#include "Support/Alive.h"

namespace vesperine {

// File watches through one inotify descriptor on the main loop. Each watched file's folder
// is watched for entries written and closed, moved in or out and removed, and the events that
// name the file become its notice; a write that has not been closed yet is not one, so a
// file is never read half written. When the kernel drops events (its queue overflowed),
// every watch hears one notice, since any of them may have changed.
class InotifyFileWatch final : public FileWatch {
public:
    // Fails when the system gives no inotify descriptor (its per-user limit is reached).
    static Result<std::unique_ptr<InotifyFileWatch>> open(IoWatcher& loop, Logger& logger);
    ~InotifyFileWatch() override;
    InotifyFileWatch(const InotifyFileWatch&) = delete;
    InotifyFileWatch& operator=(const InotifyFileWatch&) = delete;

    Result<FileWatchHandle> watchFile(const std::string& path,
                                      std::function<void()> onChanged) override;

private:
    struct Watch {
        int id;
        std::string name;  // the file's name in its folder
        std::function<void()> onChanged;
    };
    struct Folder {
        std::string path;
        std::vector<std::shared_ptr<Watch>> watches;
    };

    InotifyFileWatch(int fd, Logger& logger) : fd_(fd), log_(logger, "files") {}
    void drain();
    void forget(int id);

    int fd_;
    Log log_;
    std::map<int, Folder> folders_;  // by inotify watch descriptor
    int nextID_ = 0;
    IoWatch io_;
    Alive alive_;
};

}  // namespace vesperine
