#pragma once

#include <string>

#include "Support/Result.h"

namespace vesperine {

// The desktop's wastebasket: what is put there leaves its place but can be restored by the
// user until the Trash is emptied.
class Trash {
public:
    virtual ~Trash() = default;

    // Moves `path` (absolute: a file, a link or a folder) into the Trash, remembering where it
    // came from, and gives where it now lives. On failure nothing has moved.
    virtual Result<std::string> moveToTrash(const std::string& path) = 0;
};

}  // namespace vesperine
