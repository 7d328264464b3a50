// The real program as a separate process on the test X server, with XDG folders of its own
// under a test's home folder, and what tests wait for and read back.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace vesperine::testing_x11 {

// How the program's standard streams are set up.
enum class Streams {
    logged,       // stderr kept in a file, stdout on /dev/null
    errorsPiped,  // stderr into a pipe the test may close, as with `vesperine 2>&1 | head`
    closed,       // descriptors 0, 1 and 2 closed
};

// One run of the program.
class Program {
public:
    Program(const std::filesystem::path& home, std::vector<std::string> arguments,
            std::vector<std::string> extraEnvironment = {}, Streams streams = Streams::logged)
        : log_(home / "stderr.log") {
        std::vector<std::string> environment = {
            "DISPLAY=" + std::string(std::getenv("DISPLAY")),
            "XDG_CONFIG_HOME=" + (home / "config").string(),
            "XDG_DATA_HOME=" + (home / "data").string(),
            "XDG_RUNTIME_DIR=" + (home / "run").string(),
            "TZ=UTC",
            "HOME=" + home.string(),
            // No system bus here: wake from sleep is then said to be unobservable.
            "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + (home / "no-bus").string(),
            // Nor a session bus, unless a test gives one: none is started for the program.
            "DBUS_SESSION_BUS_ADDRESS=unix:path=" + (home / "no-bus").string(),
            "VESPERINE_LOG_STDERR=1",
        };
        // getenv finds the first of two entries with one name: the extra ones go first.
        environment.insert(environment.begin(), extraEnvironment.begin(), extraEnvironment.end());
        std::filesystem::create_directories(home / "run");
        arguments.insert(arguments.begin(), VESPERINE_PROGRAM);
        std::vector<char*> argv, envp;
        for (auto& a : arguments) argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : environment) envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        int pipe[2] = {-1, -1};
        switch (streams) {
            case Streams::logged:
                posix_spawn_file_actions_addopen(&actions, 2, log_.c_str(),
                                                 O_WRONLY | O_CREAT | O_APPEND, 0644);
                posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
                break;
            case Streams::errorsPiped:
                if (::pipe2(pipe, O_CLOEXEC) == 0) {
                    posix_spawn_file_actions_adddup2(&actions, pipe[1], 2);
                    reader_ = pipe[0];
                }
                break;
            case Streams::closed:
                for (int fd : {0, 1, 2}) posix_spawn_file_actions_addclose(&actions, fd);
                break;
        }
        if (posix_spawn(&pid_, VESPERINE_PROGRAM, &actions, nullptr, argv.data(), envp.data()) !=
            0) {
            pid_ = -1;
        }
        if (pipe[1] >= 0) ::close(pipe[1]);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Program() {
        closeReader();
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    void closeReader() {
        if (reader_ >= 0) ::close(reader_);
        reader_ = -1;
    }
    pid_t pid() const { return pid_; }
    // The exit status, or none when it has not ended within `limit`.
    std::optional<int> wait(std::chrono::milliseconds limit) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < until) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return std::nullopt;
    }
    std::string log() const {
        std::ifstream file(log_);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

private:
    std::filesystem::path log_;
    pid_t pid_ = -1;
    int reader_ = -1;
};

inline bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

// The end of a channel as a fraction of full scale.
inline double end(const std::vector<unsigned short>& channel) {
    return channel.back() / 65535.0;
}

}  // namespace vesperine::testing_x11
