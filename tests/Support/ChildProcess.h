// Real processes for tests: a child spawned and ended (SIGKILL unless told otherwise) and reaped
// when it goes, a command line run to its end, and what a test reads about a process.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

extern char** environ;

namespace vesperine {

// Looks every 10 ms until `done` holds or `limit` has passed; gives `done()`. For tests
// without a loop of their own to turn.
inline bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    for (const auto until = std::chrono::steady_clock::now() + limit; !done();) {
        if (std::chrono::steady_clock::now() >= until) return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

class ChildProcess {
public:
    // Starts `argv` (its first word found on the PATH) with signals as a shell leaves them:
    // none blocked, none ignored, whatever the test process does with them. `streams` maps
    // descriptors to files they write to ("" closes one); `stopSignal` is sent when this
    // goes; `environment` is all of it (none: this process's own); the test reads what the
    // child writes to `pipeFrom`.
    explicit ChildProcess(std::vector<std::string> argv, std::map<int, std::string> streams = {},
                          int stopSignal = SIGKILL,
                          std::optional<std::vector<std::string>> environment = std::nullopt,
                          int pipeFrom = -1)
        : stopSignal_(stopSignal) {
        std::vector<char*> args, env;
        for (auto& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        if (environment)
            for (auto& e : *environment) env.push_back(e.data());
        env.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        for (const auto& [fd, file] : streams) {
            if (file.empty()) posix_spawn_file_actions_addclose(&actions, fd);
            else
                posix_spawn_file_actions_addopen(&actions, fd, file.c_str(),
                                                 O_WRONLY | O_CREAT | O_APPEND, 0644);
        }
        int pipe[2] = {-1, -1};
        if (pipeFrom >= 0 && ::pipe2(pipe, O_CLOEXEC) == 0) {
            posix_spawn_file_actions_adddup2(&actions, pipe[1], pipeFrom);
            reader_ = pipe[0];
        }
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none, all;
        sigemptyset(&none), sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        if (::posix_spawnp(&pid_, args[0], &actions, &attributes, args.data(),
                           environment ? env.data() : environ) != 0)
            pid_ = -1;
        if (pipe[1] >= 0) ::close(pipe[1]);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ChildProcess() {
        closeReader();
        if (pid_ <= 0) return;
        ::kill(pid_, stopSignal_);
        ::waitpid(pid_, nullptr, 0);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool signal(int signo) const { return pid_ > 0 && ::kill(pid_, signo) == 0; }
    void closeReader() {
        if (reader_ >= 0) ::close(std::exchange(reader_, -1));
    }
    // Its exit status (128 + the signal that ended it), or none when it has not ended
    // within `limit`.
    std::optional<int> wait(std::chrono::milliseconds limit) {
        int status = 0;
        if (pid_ <= 0 ||
            !waitUntil([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, limit))
            return std::nullopt;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    // Takes over a child this process forked itself (none: -1), as forkWhenReady gives one.
    explicit ChildProcess(pid_t forked) : pid_(forked), stopSignal_(SIGKILL) {}

private:
    pid_t pid_ = -1;
    int reader_ = -1;
    int stopSignal_;
};

// A fork of this test program that runs `body` (which never returns while all goes well) and
// writes a byte to the descriptor it is given once ready: its id once that byte came, else -1.
inline pid_t forkWhenReady(const std::function<void(int ready)>& body) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        body(ready[1]);
        ::_exit(2);
    }
    ::close(ready[1]);
    char byte = 0;
    const bool isReady = pid > 0 && ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    if (!isReady && pid > 0) ::waitpid(pid, nullptr, 0);
    return isReady ? pid : -1;
}

// A shell command line run to its end: its standard output and exit status (-1: did not run or
// a signal ended it).
struct CommandRun {
    int status = -1;
    std::string output;
};
inline CommandRun runCommand(const std::string& line) {
    CommandRun ran;
    FILE* out = ::popen(line.c_str(), "r");
    if (!out) return ran;
    char buffer[512];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
        ran.output.append(buffer, n);
    const int status = ::pclose(out);
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ran;
}

// The descriptors process `pid` has open.
inline std::size_t openDescriptors(pid_t pid = ::getpid()) {
    const std::filesystem::directory_iterator fds("/proc/" + std::to_string(pid) + "/fd");
    return static_cast<std::size_t>(std::distance(fds, {}));
}

// A connection to the local socket at `path` (not blocking), or -1.
inline int connectTo(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    ::close(fd);
    return -1;
}

}  // namespace vesperine
