#include "Platform/Linux/Process/ExecRelaunch.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vesperine {

ExecRelaunch::ExecRelaunch(std::string runningPath, std::vector<std::string> arguments,
                           Logger& logger)
    : runningPath_(std::move(runningPath)),
      arguments_(std::move(arguments)),
      log_(logger, "install") {}

void ExecRelaunch::into(const std::string& executable) {
    pending_ = executable;
    log_.notice("Relaunching as %s once this run has ended", executable.c_str());
    if (quit_) quit_();
}

Status ExecRelaunch::execPending() {
    if (!pending_) return success();
    std::vector<char*> argv;
    argv.push_back(pending_->data());
    for (std::string& argument : arguments_) argv.push_back(argument.data());
    argv.push_back(nullptr);

    // Whatever a library left open without close-on-exec must not leak into the new program.
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    // The new program starts with the signal mask a program normally gets; a termination
    // signal that waited for the main loop now ends this process, as it asked to.
    sigset_t none, previous;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, &previous);
    ::execv(pending_->c_str(), argv.data());
    const int err = errno;
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
    const std::string why = "Couldn't start \"" + *pending_ + "\": " + std::strerror(err);
    log_.error("%s", why.c_str());
    pending_.reset();
    return Status::failure(why);
}

}  // namespace vesperine
