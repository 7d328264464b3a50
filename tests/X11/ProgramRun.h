// The real program as a separate process on the test X server, with XDG folders of its own
// under a test's home folder.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "Support/TempFolder.h"
#include "X11Harness.h"

namespace vesperine::testing_x11 {

namespace fs = std::filesystem;

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
    bool logged(const std::string& text) const { return log().find(text) != std::string::npos; }
    // Sends `signal` and waits for the end: its status, none if it did not end within 5 s.
    std::optional<int> end(int signal = SIGTERM) {
        this->signal(signal);
        return wait(5s);
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

// A test of the program on the test server, with a home of its own: DUMMY0 shows the identity
// and DUMMY1 is off around each test.
class OnTheServer : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(other.display(), nullptr) << "no test X server";
        other.setRamp("DUMMY0", identity);
    }
    void TearDown() override {
        removeSecondMonitor();
        other.setRamp("DUMMY0", identity);
    }
    // `vesperine <arguments>` as typed in the session of a program run in `home`: on `bus`, with
    // the same folders.
    CommandRun vesperine(const std::string& arguments, const std::string& bus) const {
        return runCommand("DBUS_SESSION_BUS_ADDRESS='" + bus + "' XDG_RUNTIME_DIR='" +
                          (home / "run").string() + "' XDG_DATA_HOME='" + (home / "data").string() +
                          "' XDG_CONFIG_HOME='" + (home / "config").string() + "' TZ=UTC " +
                          VESPERINE_PROGRAM + " " + arguments + " 2>&1 </dev/null");
    }
    // Whether DUMMY0's channels end at `r` and `b` (of full scale).
    bool shows(double r, double b) const {
        const Ramp now = other.ramp("DUMMY0");
        return std::abs(end(now.r) - r) < 0.01 && std::abs(end(now.b) - b) < 0.01;
    }

    XClient other;
    TempFolder home;
};

}  // namespace vesperine::testing_x11
