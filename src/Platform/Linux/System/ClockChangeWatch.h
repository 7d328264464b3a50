#pragma once

#include <functional>
#include <memory>

#include "Platform/IoWatcher.h"
#include "Support/Result.h"

namespace vesperine {

// Hears of every discontinuous change of the wall clock (set by the user, by time
// synchronisation stepping it, by a resume that corrects it) through a timer that the kernel
// cancels when the clock is set. Calls `onChange` on the main loop.
class ClockChangeWatch {
  public:
    static Result<std::unique_ptr<ClockChangeWatch>> start(IoWatcher& loop,
                                                           std::function<void()> onChange);
    ~ClockChangeWatch();
    ClockChangeWatch(const ClockChangeWatch&) = delete;
    ClockChangeWatch& operator=(const ClockChangeWatch&) = delete;

  private:
    ClockChangeWatch(int fd, std::function<void()> onChange);
    bool arm();
    void readable();

    int fd_;
    std::function<void()> onChange_;
    IoWatch watch_;
};

}  // namespace vesperine
