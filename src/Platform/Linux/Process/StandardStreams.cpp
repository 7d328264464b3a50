#include "Platform/Linux/Process/StandardStreams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace vesperine {

void StandardStreams::ensureOpen() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        // The lower ones are open by now, so this takes `fd` itself.
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened > fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

}  // namespace vesperine
