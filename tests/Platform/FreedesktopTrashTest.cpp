#include "Platform/Linux/Files/FreedesktopTrash.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <regex>

#include "Platform/Simulated/VirtualTime.h"
#include "Support/TempFolder.h"

namespace fs = std::filesystem;

namespace vesperine {
namespace {

TEST(FreedesktopTrash, PathsAreStoredUrlEscaped) {
    const std::pair<std::string, std::string> cases[] = {
        {"/home/a/.local/bin/solvo", "/home/a/.local/bin/solvo"},
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
