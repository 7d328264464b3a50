#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/FileWatch.h"
#include "Platform/Logger.h"
#include "Platform/Scheduler.h"

namespace vesperine {

// Follows the stored files while the program runs, so that a person's hand edit takes effect
// within a second or so. An editor's save is several notices (a backup written, the file
// renamed over, the backup removed), and a half-finished burst can show a file in between,
// so each file is read again only once its notices have settled for `settle`. What to do
// then (read, compare with what was last read or written, take in) is each file's `reread`.
//
// Where a file cannot be watched, one log line says that its hand edits are read at the
// next start, and the others are followed all the same.
class HandEditFollower {
public:
    struct File {
        std::string path;
        std::function<void()> reread;
    };

    static constexpr Duration settle = std::chrono::milliseconds(750);

    HandEditFollower(FileWatch& watch, Scheduler& scheduler, Logger& logger,
                     std::vector<File> files);
    HandEditFollower(const HandEditFollower&) = delete;
    HandEditFollower& operator=(const HandEditFollower&) = delete;

private:
    struct Followed {
        File file;
        FileWatchHandle watch;
        Timer settling;
    };

    Scheduler& scheduler_;
    std::vector<std::unique_ptr<Followed>> followed_;
};

}  // namespace vesperine
