#include <gtest/gtest.h>
#include <sys/file.h>

#include <future>

#include "Platform/Linux/Instance/LockFileSingleInstance.h"
#include "Platform/Linux/System/GLibMainLoop.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Spin.h"
#include "Support/ChildProcess.h"
#include "Support/TempFolder.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Request = SingleInstance::Request;
using Outcome = SingleInstance::Outcome;
constexpr const char* bundle = "com.example.test";
constexpr uid_t stranger = 54321;

// A launch on `folders`, with a loop (not run) and a logger of its own.
struct Launch {
    explicit Launch(const std::vector<std::string>& folders)
        : instance(loop, loop, logger, folders, bundle) {}
    GLibMainLoop loop;
    CapturingLogger logger;
    LockFileSingleInstance instance;
};

// A first instance on a folder of its own, served while the test spins the loop. (Handing
// requests over and meeting a stopped first instance are ProgramTest's.)
struct Holder {
    Holder() {
        launch.instance.setOnRequest([this](Request request) { received.push_back(request); });
        EXPECT_EQ(launch.instance.claimOrHandOver(Request::activate).outcome, Outcome::claimed);
    }
    std::string socket() const { return dir.root() + "/" + bundle + ".socket"; }
    // A later launch, on a thread of its own while this loop serves it.
    SingleInstance::Claim later(Request request) {
        auto claim = std::async(std::launch::async, [this, request] {
            return Launch({dir.root()}).instance.claimOrHandOver(request);
        });
        spin([&] { return claim.wait_for(0s) == std::future_status::ready; }, 5s);
        return claim.get();
    }
    // What the holder answers on a raw connection before it closes it.
    std::string answer(int fd) {
        std::string answer;
        char buffer[64];
        spin([&] {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n > 0) answer.append(buffer, static_cast<std::size_t>(n));
            return n == 0 || (n < 0 && errno != EAGAIN);
        });
        return answer;
    }

    TempFolder dir;
    Launch launch{{dir.root()}};
    std::vector<Request> received;
};

TEST(SingleInstance, TheHolderTakesOnlyExactRequestLines) {
    Holder holder;
    const std::pair<std::string, const char*> cases[] = {
        {"activate\n", "ok\n"},
        {"reset\n", "ok\n"},
        {"Activate\n", "unsupported\n"},  // as a word of another version would be
        {"activate\nreset\n", "unsupported\n"},
        {std::string(100, 'a'), ""},  // no end of line in sight: closed
    };
    for (const auto& [sent, answer] : cases) {
        SCOPED_TRACE(sent);
        const int fd = connectTo(holder.socket());
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::send(fd, sent.data(), sent.size(), 0), static_cast<ssize_t>(sent.size()));
        EXPECT_EQ(holder.answer(fd), answer);
        ::close(fd);
    }
    EXPECT_EQ(holder.received, (std::vector<Request>{Request::activate, Request::resetDisplays}));
}

TEST(SingleInstance, SilentConnectionsNeitherStallTheHolderNorPileUp) {
    Holder holder;
    const std::size_t before = openDescriptors();
    std::vector<int> silent;  // as many as its queue takes
    for (int fd; (fd = connectTo(holder.socket())) >= 0;) silent.push_back(fd);
    ASSERT_GT(silent.size(), LockFileSingleInstance::maxWaitingLaunches);
    // Waiting for each of them in turn would take seconds.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(holder.later(Request::activate).outcome, Outcome::handedOver);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_LE(openDescriptors(),
              before + silent.size() + LockFileSingleInstance::maxWaitingLaunches);

    spin([&] { return openDescriptors() == before + silent.size(); }, 3s);
    EXPECT_EQ(openDescriptors(), before + silent.size());  // dropped after the exchange limit
    for (const int fd : silent) {
        char byte;
        EXPECT_EQ(::recv(fd, &byte, 1, 0), 0);  // closed by the holder
        ::close(fd);
    }
}

TEST(SingleInstance, FoldersOthersCouldChangeAreSkipped) {
    const std::pair<const char*, bool (*)(const fs::path&)> cases[] = {
        {"a link to a private folder",
         [](const fs::path& p) { return fs::create_directory_symlink(p.parent_path(), p), true; }},
        {"writable by others",
         [](const fs::path& p) {
             return fs::create_directory(p) && (fs::permissions(p, fs::perms::all), true);
         }},
        {"another user's (as root only)",
         [](const fs::path& p) {
             return fs::create_directory(p) && ::chown(p.c_str(), stranger, 0) == 0;
         }},
    };
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        TempFolder top;
        const std::string unsafe = top / "unsafe", fallback = top / "made/here";
        if (!make(unsafe)) continue;
        {
            Launch launch({unsafe, fallback});
            EXPECT_EQ(launch.instance.claimOrHandOver(Request::activate).outcome, Outcome::claimed);
            EXPECT_TRUE(fs::exists(fallback + "/" + bundle + ".lock"));
            EXPECT_EQ(fs::status(fallback).permissions(), fs::perms::owner_all);
            EXPECT_TRUE(launch.logger.contains("Not keeping the instance lock in " + unsafe));
        }
        Launch unguarded({unsafe});
        EXPECT_EQ(unguarded.instance.claimOrHandOver(Request::activate).outcome, Outcome::claimed);
        EXPECT_TRUE(unguarded.logger.contains("running without single-instance protection"));
        EXPECT_FALSE(fs::exists(fs::path(unsafe) / (std::string(bundle) + ".lock")));
    }
}

// As root, the test can be another user for a moment.
TEST(SingleInstance, OnlyThisUserIsHeardAndAnsweredTo) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to play another user";
    const auto asStranger = [](const std::function<int()>& call) {
        EXPECT_EQ(::seteuid(stranger), 0);
        const int fd = call();
        EXPECT_EQ(::seteuid(0), 0);
        return fd;
    };
    // The holder's socket, opened to everyone on purpose: the stranger's request is not heard.
    Holder holder;
    ::chmod(holder.dir.root().c_str(), 0711);
    ::chmod(holder.socket().c_str(), 0777);
    const int theirs = asStranger([&] { return connectTo(holder.socket()); });
    ASSERT_EQ(::send(theirs, "reset\n", 6, 0), 6);
    EXPECT_EQ(holder.answer(theirs), "");
    EXPECT_TRUE(holder.received.empty());
    EXPECT_TRUE(holder.launch.logger.contains("from user 54321"));
    ::close(theirs);

    // The lock is held and the socket leads to the stranger's listener: no request goes there.
    TempFolder ours, strangers;
    ASSERT_EQ(::chown(strangers.root().c_str(), stranger, stranger), 0);
    const std::string lockFile = ours / (std::string(bundle) + ".lock");
    const int lock = ::open(lockFile.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    sockaddr_un address{AF_UNIX, {}};
    std::strncpy(address.sun_path, (strangers / "socket").c_str(), sizeof address.sun_path - 1);
    const int listener = asStranger([&] {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        return ::listen(fd, 4) == 0 ? fd : -1;
    });
    ASSERT_GE(listener, 0);
    fs::create_symlink(address.sun_path, ours / (std::string(bundle) + ".socket"));
    const auto claim = Launch({ours.root()}).instance.claimOrHandOver(Request::resetDisplays);
    EXPECT_EQ(claim.outcome, Outcome::noAnswer);
    EXPECT_NE(claim.detail.find("another user"), std::string::npos) << claim.detail;
    ::close(lock);
    ::close(listener);
}

}  // namespace
}  // namespace vesperine
