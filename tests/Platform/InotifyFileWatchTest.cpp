#include "Platform/Linux/Files/InotifyFileWatch.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Platform/Linux/Files/PosixFileSystem.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Support/TempFolder.h"

namespace fs = std::filesystem;

namespace vesperine {
namespace {

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
// writes do too) are heard; the folder's other files, and a cancelled watch, are not.
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
        {"another file", [&] { dir.write("not yet made/other.json", "{}"); }, 0},
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

}  // namespace
}  // namespace vesperine
