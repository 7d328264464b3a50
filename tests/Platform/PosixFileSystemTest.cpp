// Stored files reached through links (dotfile set-ups), and things in a stored file's place that
// are not files of ours.
#include "Platform/Linux/Files/PosixFileSystem.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <functional>

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
        {"absolute link", {{"config/d.json", at("dotfiles/d.json")}}, "dotfiles/d.json"},
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
    EXPECT_TRUE(fs::is_character_file("/dev/zero"));
    EXPECT_FALSE(files_.writeAtomically(path, std::string(FileSystem::maximumSize + 1, ' ')));
}

}  // namespace
}  // namespace vesperine
