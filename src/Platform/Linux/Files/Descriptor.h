#pragma once

#include <unistd.h>

namespace vesperine {

// A file descriptor closed on every way out: `Descriptor file{::open(...)}`.
struct Descriptor {
    int fd = -1;

    Descriptor() = default;
    explicit Descriptor(int descriptor) : fd(descriptor) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace vesperine
