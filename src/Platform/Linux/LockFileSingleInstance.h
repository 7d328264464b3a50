#pragma once

#include <string>

#include "Platform/IoWatcher.h"
#include "Platform/Logger.h"
#include "Platform/SingleInstance.h"

namespace vesperine {

// A per-user lock (flock on "<runtime dir>/<bundle id>.lock") plus a local socket
// ("<runtime dir>/<bundle id>.socket") on which the holder listens for "activate". The
// kernel drops the lock when the holder dies, however it dies, so no stale lock can keep
// the program from starting; a stale socket file is replaced by the next holder.
class LockFileSingleInstance final : public SingleInstance {
public:
    LockFileSingleInstance(IoWatcher& loop, Logger& logger, std::string runtimeDir,
                           std::string bundleId);
    ~LockFileSingleInstance() override;

    bool claimOrActivateOther() override;
    void setOnActivateRequest(std::function<void()> onActivate) override {
        onActivate_ = std::move(onActivate);
    }

    const std::string& lockPath() const { return lockPath_; }
    const std::string& socketPath() const { return socketPath_; }

private:
    void listen();
    void acceptOne();
    bool askOtherToActivate();

    IoWatcher& loop_;
    Log log_;
    std::string lockPath_;
    std::string socketPath_;
    int lockFd_ = -1;
    int listenFd_ = -1;
    IoWatch watch_;
    std::function<void()> onActivate_;
};

}  // namespace vesperine
