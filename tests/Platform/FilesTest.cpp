// Stored files reached through links (dotfile set-ups), things in a stored file's place that
// are not files of ours, the watch on a stored file and the trash.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <functional>
#include <regex>

#include "Platform/Linux/Files/FreedesktopTrash.h"
#include "Platform/Linux/Files/InotifyFileWatch.h"
#include "Platform/Linux/Files/PosixFileSystem.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/VirtualTime.h"
#include "Support/TempFolder.h"

namespace fs = std::filesystem;

namespace vesperine {
namespace {

class PosixFileSystemTest : public testing::Test {
protected:
    std::string at(const std::string& relative) const { return dir_ / relative; }
    void freshFolders() {
        for (const auto& entry : fs::directory_iterator(dir_.path())) fs::remove_all(entry);
        fs::create_directories(dir_ / "config");
        fs::create_directories(dir_ / "dotfiles");
    }

    TempFolder dir_;
    PosixFileSystem files_;
};

TEST_F(PosixFileSystemTest, WritesThroughLinksAndKeepsThem) {
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, std::string>> links;  // where, pointing to
        const char* target;                                       // what the write replaces
    };
    const Case cases[] = {
        {"relative link", {{"config/d.json", "../dotfiles/d.json"}}, "dotfiles/d.json"},
        {"chain", {{"config/d.json", "../dotfiles/a.json"}, {"dotfiles/a.json", "b.json"}}, "dotfiles/b.json"},
        {"dangling, into a missing folder", {{"config/d.json", "../dotfiles/new/d.json"}}, "dotfiles/new/d.json"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        freshFolders();
        dir_.write("dotfiles/d.json", "old");
        dir_.write("dotfiles/b.json", "old");
        for (const auto& [where, to] : c.links) fs::create_symlink(to, at(where));
        ASSERT_TRUE(files_.writeAtomically(at("config/d.json"), "new"));
        for (const auto& [where, to] : c.links) EXPECT_TRUE(fs::is_symlink(at(where))) << where;
        EXPECT_EQ(files_.read(at(c.target)).bytes, "new");
    }
    fs::create_symlink("loop-b", at("config/loop-a"));
    fs::create_symlink("loop-a", at("config/loop-b"));
    auto looped = files_.writeAtomically(at("config/loop-a"), "x");
    ASSERT_FALSE(looped);
    EXPECT_NE(looped.error().description.find("Too many levels of symbolic links"), std::string::npos);
    EXPECT_TRUE(fs::is_symlink(at("config/loop-a")));
}

TEST_F(PosixFileSystemTest, RefusesWhatIsNotARegularFileAndLeavesItAsItIs) {
    const std::string path = at("config/d.json");
    struct Case {
        const char* name;
        std::function<void()> make;
        const char* said;  // in every refusal
        bool replaceable, movable;
    };
    const Case cases[] = {
        {"folder", [&] { fs::create_directory(path); }, "it is a folder", false, true},
        {"named pipe", [&] { ::mkfifo(path.c_str(), 0600); }, "it is a named pipe", false, false},
        {"link to a device", [&] { fs::create_symlink("/dev/zero", path); }, "it is a character device", false, false},
        {"too large", [&] { std::ofstream(path) << "{"; fs::resize_file(path, FileSystem::maximumSize + 1); },
         "larger than 8 MiB", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        freshFolders();
        c.make();
        const auto kind = fs::symlink_status(path).type();
        const ReadResult read = files_.read(path);  // neither blocks nor reads without end
        EXPECT_EQ(read.failure, ReadFailure::unreadable);
        EXPECT_NE(read.description.find(c.said), std::string::npos) << read.description;
        if (!c.replaceable) {
            auto written = files_.writeAtomically(path, "{}");
            EXPECT_TRUE(!written && written.error().description.find(c.said) != std::string::npos);
        }
        EXPECT_TRUE(c.movable || !files_.moveAside(path, ".corrupt"));  // pipes and devices stay
        EXPECT_EQ(fs::symlink_status(path).type(), kind);
    }
    EXPECT_FALSE(files_.writeAtomically(path, std::string(FileSystem::maximumSize + 1, ' ')));
}

// Holds the descriptor's callback; the test calls it after each step, as the loop would once
// the descriptor turns readable.
struct InotifyTestLoop final : IoWatcher {
    IoWatch watchReadable(int, std::function<void()> onReadable) override {
        readable = std::move(onReadable);
        return IoWatch::make({});
    }
    std::function<void()> readable;
};

// The two ways editors save (in place, and a new file renamed over, which our own atomic
// writes do too) are heard; a cancelled watch is not.
TEST(InotifyFileWatchTest, HearsTheFileWrittenInPlaceRenamedOverOrRemoved) {
    TempFolder dir;
    InotifyTestLoop loop;
    CapturingLogger logger;
    auto watch = InotifyFileWatch::open(loop, logger);
    ASSERT_TRUE(watch);
    const std::string path = dir / "not yet made/defaults.json";
    int heard = 0;
    auto watching = (*watch)->watchFile(path, [&] { ++heard; });
    ASSERT_TRUE(watching);
    FileWatchHandle handle = std::move(watching).value();
    PosixFileSystem files;
    const struct {
        const char* what;
        std::function<void()> act;
        int heard;
    } steps[] = {
        {"written in place", [&] { dir.write("not yet made/defaults.json", "{}"); }, 1},
        {"renamed over", [&] { ASSERT_TRUE(files.writeAtomically(path, "{\"a\":1}")); }, 1},
        {"removed", [&] { fs::remove(path); }, 1},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        heard = 0;
        step.act();
        loop.readable();
        EXPECT_EQ(heard, step.heard);
    }
    handle.cancel();
    heard = 0;
    dir.write("not yet made/defaults.json", "{}");
    loop.readable();
    EXPECT_EQ(heard, 0);
    EXPECT_TRUE(logger.lines().empty());
}

TEST(FreedesktopTrash, PathsAreStoredUrlEscaped) {
    const std::pair<std::string, std::string> cases[] = {
        {"/home/a b/it's (1)!~*", "/home/a%20b/it's%20(1)!~*"},
        {"/tmp/\"q\"%#?\n=", "/tmp/%22q%22%25%23%3F%0A%3D"},
        {"/home/jürg/日", "/home/j%C3%BCrg/%E6%97%A5"},
    };
    for (const auto& [path, stored] : cases) EXPECT_EQ(FreedesktopTrash::encodePath(path), stored);
}

TEST(FreedesktopTrash, MovesItemsWithTheirInfoAndNeverTakesATakenName) {
    const TempFolder home(TempFolder::awkward);
    std::vector<fs::path> trashes{home / "Trash"};
    struct stat here {
    }, shm{};
    // A Trash on another file system (when the machine has one at hand) gets a copy.
    if (::stat("/dev/shm", &shm) == 0 && ::stat(home.root().c_str(), &here) == 0 &&
        shm.st_dev != here.st_dev)
        trashes.push_back(fs::path("/dev/shm") / ("vesperine-trash-" + std::to_string(::getpid())));
    VirtualTime time;
    for (const auto& trashFolder : trashes) {
        SCOPED_TRACE(trashFolder);
        FreedesktopTrash trash(trashFolder.string(), time);
        fs::create_directories(trashFolder / "files");
        std::ofstream(trashFolder / "files" / "solvo.2") << "orphan without info";
        for (const char* expected : {"solvo", "solvo.3", "solvo.4"}) {
            const fs::path item = home / "solvo";
            home.write("solvo", std::string("program ") + expected, 0751);
            auto moved = trash.moveToTrash(item.string());
            ASSERT_TRUE(moved) << moved.error().description;
            EXPECT_EQ(*moved, (trashFolder / "files" / expected).string());
            EXPECT_FALSE(fs::exists(item));
            EXPECT_EQ(home.read(*moved), std::string("program ") + expected);
            EXPECT_EQ(fs::status(*moved).permissions(), fs::perms(0751));
            const std::string info =
                home.read(trashFolder / "info" / (std::string(expected) + ".trashinfo"));
            const std::string head =
                "[Trash Info]\nPath=" + FreedesktopTrash::encodePath(item.string()) +
                "\nDeletionDate=";
            ASSERT_EQ(info.substr(0, head.size()), head);
            EXPECT_TRUE(std::regex_match(info.substr(head.size()),
                                         std::regex("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n")))
                << info;
        }
        EXPECT_EQ(home.read(trashFolder / "files" / "solvo.2"), "orphan without info");
        fs::remove_all(trashFolder);
    }
}

}  // namespace
}  // namespace vesperine
