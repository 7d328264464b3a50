#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/IoWatcher.h"
#include "Support/Result.h"

namespace vesperine {

// Hears of a change of the system's time zone: the files that name it ("localtime" and
// "timezone" in /etc) being replaced, written, removed or re-linked. The directory is
// watched rather than the files, since tools swap the link by renaming a new one over it.
// Calls `onChange` once per batch of changes, on the main loop.
class TimeZoneWatch {
  public:
    static Result<std::unique_ptr<TimeZoneWatch>> start(IoWatcher& loop,
                                                        const std::string& directory,
                                                        std::vector<std::string> names,
                                                        std::function<void()> onChange);
    ~TimeZoneWatch();
    TimeZoneWatch(const TimeZoneWatch&) = delete;
    TimeZoneWatch& operator=(const TimeZoneWatch&) = delete;

  private:
    TimeZoneWatch(int fd, std::vector<std::string> names, std::function<void()> onChange);
    void readable();

    int fd_;
    std::vector<std::string> names_;
    std::function<void()> onChange_;
    IoWatch watch_;
};

}  // namespace vesperine
