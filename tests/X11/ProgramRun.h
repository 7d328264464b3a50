// The real program as a separate process on the test X server, with XDG folders of its own
// under a test's home folder.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "X11Harness.h"

namespace vesperine::testing_x11 {

namespace fs = std::filesystem;

// How the program's standard streams are set up.
enum class Streams {
    logged,       // stderr kept in a file, stdout on /dev/null, no terminal on stdin
    typed,        // as logged, with a terminal on stdin, as when typed in one
    errorsPiped,  // stderr into a pipe the test may close, as with `vesperine 2>&1 | head`
    closed,       // descriptors 0, 1 and 2 closed
};

// One run of the program, with folders of its own under `home`; `extra` variables come first
// (getenv finds the first of two entries with one name).
class Program : public ChildProcess {
public:
    Program(const fs::path& home, std::vector<std::string> arguments,
            std::vector<std::string> extra = {}, Streams streams = Streams::logged)
        : ChildProcess(command(std::move(arguments)), files(home, streams), SIGKILL,
                       environment(home, std::move(extra)),
                       streams == Streams::errorsPiped ? 2 : -1),
          log_(home / "stderr.log") {}
    std::string log() const {
        std::ifstream in(log_);
        return {std::istreambuf_iterator<char>(in), {}};
    }

private:
    static std::vector<std::string> command(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), VESPERINE_PROGRAM);
        return arguments;
    }
    static std::map<int, std::string> files(const fs::path& home, Streams streams) {
        // A pseudo-terminal's master side is a terminal to isatty(3).
        if (streams == Streams::logged || streams == Streams::typed)
            return {{0, streams == Streams::typed ? "/dev/ptmx" : "/dev/null"},
                    {1, "/dev/null"},
                    {2, home / "stderr.log"}};
        if (streams == Streams::closed) return {{0, ""}, {1, ""}, {2, ""}};
        return {};
    }
    static std::vector<std::string> environment(const fs::path& home,
                                                std::vector<std::string> extra) {
        fs::create_directories(home / "run");
        extra.insert(
            extra.end(),
            {"DISPLAY=" + std::string(std::getenv("DISPLAY")),
             "XDG_CONFIG_HOME=" + (home / "config").string(),
             "XDG_DATA_HOME=" + (home / "data").string(),
             "XDG_RUNTIME_DIR=" + (home / "run").string(), "TZ=UTC", "HOME=" + home.string(),
             // No system bus here: wake from sleep is then said to be unobservable.
             "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + (home / "no-bus").string(),
             // Nor a session bus, unless a test gives one.
             "DBUS_SESSION_BUS_ADDRESS=unix:path=" + (home / "no-bus").string(),
             "VESPERINE_LOG_STDERR=1"});
        return extra;
    }

    fs::path log_;
};

}  // namespace vesperine::testing_x11
