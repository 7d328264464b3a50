#pragma once

#include <string>

namespace vesperine {

// Starting the program again. Neither call returns into a new program: each asks the running
// one to end the way a quit does (displays given back, files saved), and the new one starts
// in its place once it has.
class Relaunch {
public:
    virtual ~Relaunch() = default;

    // Restarts the running program: the same file, the same arguments.
    virtual void now() = 0;
    // Starts the program at `executable` (absolute) in this one's place, with the same
    // arguments.
    virtual void into(const std::string& executable) = 0;
};

}  // namespace vesperine
