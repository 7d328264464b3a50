#pragma once

#include <functional>
#include <string>

#include "Support/Handle.h"
#include "Support/Result.h"

namespace vesperine {

// Handle of a watched file: stops watching when cancelled or destroyed.
using FileWatchHandle = Handle;

// Tells when a file may have changed, so that one a person edits by hand while the program
// runs can be read again. Editors save in one of two ways, writing the file in place or
// writing a new one and renaming it over the old, and the second replaces the file itself,
// so a backend watches the folder that holds it, not the file.
//
// A notice says only "look again": it may come for a change that leaves the content as it
// was (our own atomic writes give one too), and an editor's save may give several. Callers
// read the file and compare.
class FileWatch {
public:
    virtual ~FileWatch() = default;

    // Calls `onChanged` on the main loop after `path` was written and closed, renamed over,
    // moved away or removed. A missing folder is made first (the program's files are written
    // there anyway). An error when the folder cannot be watched; a watch whose folder goes
    // away later ends, and the backend says so in the log.
    [[nodiscard]] virtual Result<FileWatchHandle> watchFile(const std::string& path,
                                                            std::function<void()> onChanged) = 0;
};

}  // namespace vesperine
