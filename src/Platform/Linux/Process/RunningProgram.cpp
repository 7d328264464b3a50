#include "Platform/Linux/Process/RunningProgram.h"

#include <unistd.h>

#include <cstdlib>

#include "Platform/Linux/Process/ProcessInfo.h"

namespace vesperine {

std::string RunningProgram::choose(std::string executable, const char* appImage) {
    executable.resize(ProcessInfo::withoutDeletedMark(executable).size());
    // The image's runtime mounts it on $TMPDIR/.mount_XXXXXX and names the image file in
    // $APPIMAGE; a variable inherited by a program outside such a mount says nothing.
    if (appImage != nullptr && appImage[0] == '/' &&
        executable.find("/.mount_") != std::string::npos) {
        return appImage;
    }
    return executable;
}

std::string RunningProgram::path() {
    std::string target(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return {};
    target.resize(static_cast<std::size_t>(length));
    return choose(std::move(target), std::getenv("APPIMAGE"));
}

}  // namespace vesperine
