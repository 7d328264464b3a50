// Stored files reached through links (dotfile set-ups), and things in a stored file's place that
// are not files of ours.
#include "Platform/Linux/PosixFileSystem.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;

namespace vesperine {
namespace {

class PosixFileSystemTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vesperine-files-" + std::to_string(::getpid()) + "-" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "config");
        fs::create_directories(dir_ / "dotfiles");
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string at(const std::string& relative) const { return (dir_ / relative).string(); }
    static std::string readRaw(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path dir_;
    PosixFileSystem files_;
};

TEST_F(PosixFileSystemTest, WritesThroughLinksAndKeepsThem) {
    struct Link {
        const char* at;
        std::string to;
    };
    struct Case {
        const char* name;
        std::vector<Link> links;
        const char* target;  // what the write must replace or create
        bool targetExists;
    };
    const Case cases[] = {
        {"absolute link", {{"config/d.json", at("dotfiles/d.json")}}, "dotfiles/d.json", true},
        {"relative link", {{"config/d.json", "../dotfiles/d.json"}}, "dotfiles/d.json", true},
        {"chain of links", {{"config/d.json", "../dotfiles/a.json"}, {"dotfiles/a.json", "b.json"}},
         "dotfiles/b.json", true},
        {"dangling link into a missing folder", {{"config/d.json", "../dotfiles/new/d.json"}},
         "dotfiles/new/d.json", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir_ / "dotfiles");
        fs::create_directories(dir_ / "dotfiles");
        if (c.targetExists) std::ofstream(at(c.target)) << "old";
        for (const auto& link : c.links) {
            fs::remove(at(link.at));
            fs::create_symlink(link.to, at(link.at));
        }
        ASSERT_TRUE(files_.writeAtomically(at("config/d.json"), "new"));
        for (const auto& link : c.links) EXPECT_TRUE(fs::is_symlink(at(link.at))) << link.at;
        EXPECT_EQ(readRaw(at(c.target)), "new");
        EXPECT_EQ(files_.read(at("config/d.json")).bytes, "new");
    }
    fs::create_symlink("loop-b", at("config/loop-a"));
    fs::create_symlink("loop-a", at("config/loop-b"));
    auto looped = files_.writeAtomically(at("config/loop-a"), "x");
    ASSERT_FALSE(looped);
    EXPECT_NE(looped.error().description.find("Too many levels of symbolic links"), std::string::npos);
    EXPECT_TRUE(fs::is_symlink(at("config/loop-a")));
    EXPECT_EQ(files_.read(at("config/loop-a")).failure, ReadFailure::unreadable);
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
        {"named pipe", [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }, "it is a named pipe", false, false},
        {"link to a device", [&] { fs::create_symlink("/dev/zero", path); }, "it is a character device", false, false},
        {"file larger than the limit",
         [&] {
             std::ofstream(path) << "{";
             fs::resize_file(path, FileSystem::maximumSize + 1);
         },
         "larger than 8 MiB", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir_ / "config");
        fs::create_directories(dir_ / "config");
        c.make();
        const auto kind = fs::symlink_status(path).type();
        const ReadResult read = files_.read(path);  // neither blocks nor reads without end
        EXPECT_FALSE(read.ok);
        EXPECT_EQ(read.failure, ReadFailure::unreadable);
        EXPECT_NE(read.description.find(c.said), std::string::npos) << read.description;
        if (!c.replaceable) {
            auto written = files_.writeAtomically(path, "{}");
            ASSERT_FALSE(written);
            EXPECT_NE(written.error().description.find(c.said), std::string::npos);
            EXPECT_EQ(fs::symlink_status(path).type(), kind);
        }
        if (!c.movable) {
            auto moved = files_.moveAside(path, ".corrupt");
            ASSERT_FALSE(moved);
            EXPECT_NE(moved.error().description.find(c.said), std::string::npos);
            EXPECT_EQ(fs::symlink_status(path).type(), kind);
        }
    }
    EXPECT_TRUE(fs::is_character_file("/dev/zero"));
    EXPECT_FALSE(files_.writeAtomically(path, std::string(FileSystem::maximumSize + 1, ' ')));
}

TEST_F(PosixFileSystemTest, MovesAsideUnderFreeNamesNextToALinksTarget) {
    const std::string link = at("config/d.json");
    fs::create_symlink("../dotfiles/d.json", link);
    for (const std::string content : {"first", "second", "third"}) {
        ASSERT_TRUE(files_.writeAtomically(link, content));
        ASSERT_TRUE(files_.moveAside(link, ".corrupt"));
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_FALSE(files_.exists(link));  // dangling until the next write creates the target
    }
    EXPECT_EQ(readRaw(at("dotfiles/d.json.corrupt")), "first");
    EXPECT_EQ(readRaw(at("dotfiles/d.json.corrupt-2")), "second");
    EXPECT_EQ(readRaw(at("dotfiles/d.json.corrupt-3")), "third");
    EXPECT_FALSE(files_.moveAside(link, ".corrupt"));  // nothing there to move
}

}  // namespace
}  // namespace vesperine
