#pragma once

#include <string>
#include <vector>

#include "Support/Result.h"

namespace vesperine {

// The program as a file on this computer, and a copy of it where the user's own programs live.
class Installer {
public:
    // The places that decide whether to offer an install. All but `installFolder` are the
    // folders as the running path names them: links resolved, as the kernel resolves the
    // path of a running program.
    struct Places {
        std::string home;                      // the user's home folder
        std::vector<std::string> moreMovable;  // the user's own download and desktop folders
        std::string buildTree;                 // the folder the program was built in, if any
        std::string installFolder;             // where an installed copy goes
    };

    // What lies where an install would put the program.
    enum class Occupant {
        nothing,  // no file: the copy just goes there
        ourCopy,  // a file that is a build of this program (an older one, as a rule): replaced
        other,    // anything else (the user's script, another program, a link, a folder)
    };

    virtual ~Installer() = default;

    // The file the user started, absolute. For a program that runs out of a mounted image,
    // the image file.
    virtual std::string runningPath() const = 0;
    virtual Places places() const = 0;
    // Whether both paths lead to one file (links followed). False when either is missing.
    virtual bool isSameFile(const std::string& a, const std::string& b) const = 0;
    // What is at `path` now; found out without running anything there.
    virtual Occupant occupant(const std::string& path) const = 0;
    // Asks every other running instance of the program of this user to quit, and waits a
    // few seconds at most for them to have quit.
    virtual Status endOtherInstances() = 0;
    // Puts a copy of `source` at `destination`, ready to run, together with what the desktop
    // needs to list it, replacing the file at `destination`. On failure whatever was at
    // `destination` is still there, unchanged.
    virtual Status install(const std::string& source, const std::string& destination) = 0;
};

}  // namespace vesperine
