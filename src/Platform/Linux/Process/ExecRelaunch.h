#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Logger.h"
#include "Platform/Relaunch.h"
#include "Support/Result.h"

namespace vesperine {

// Relaunch by exec: a request is remembered and the program is asked to quit; once it has
// ended as a quit ends it (displays given back, the instance lock and every file closed),
// `execPending` replaces the process with the new program, same arguments, same environment.
// The process stays one: whoever started it (a session, a terminal, an image's runtime)
// keeps waiting on the same process, and the new program starts only after the old one has
// let go of the instance lock.
class ExecRelaunch final : public Relaunch {
public:
    // `runningPath`: what `now` starts again; `arguments`: the program's arguments after its
    // name.
    ExecRelaunch(std::string runningPath, std::vector<std::string> arguments, Logger& logger);

    // How the program is asked to quit once its main loop runs. Before that (at start-up) a
    // request only remembers, and start-up stops on its own.
    void setOnQuit(std::function<void()> quit) { quit_ = std::move(quit); }

    void now() override { into(runningPath_); }
    void into(const std::string& executable) override;

    const std::optional<std::string>& pending() const { return pending_; }
    // Replaces this process with the program asked for. Returns only when none was asked for
    // or the exec failed (logged); the program then simply ends.
    Status execPending();

private:
    std::string runningPath_;
    std::vector<std::string> arguments_;
    Log log_;
    std::function<void()> quit_;
    std::optional<std::string> pending_;
};

}  // namespace vesperine
