#include "Persistence/HandEditFollower.h"

#include <gtest/gtest.h>

#include <functional>

#include "Persistence/ScheduleStore.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/FixedTimeZone.h"
#include "Platform/Simulated/MemoryFileSystem.h"
#include "Platform/Simulated/SimulatedFileWatch.h"
#include "Platform/Simulated/VirtualTime.h"
#include "Schedule/Presets.h"

namespace vesperine {
namespace {

constexpr const char* followedSchedules = "/home/zoe/.local/share/vesperine/schedules.json";

std::string schedulesNaming(const Schedule& active) {
    return R"({"custom":[],"activeID":")" + active.id.string() +
           R"(","location":{"name":"Oslo","latitude":59.9,"longitude":10.7},"fromANewerVersion":7})";
}

// The schedule file under a follower, as the program runs it: a hand edit is taken in once its
// notices settle, our own save is recognised and left alone, and a damaged edit is kept aside
// while the schedules in use are written back, so nothing is lost either way.
TEST(HandEditFollowerTest, TheScheduleFileIsTakenInOnceItsNoticesSettle) {
    struct Case {
        const char* what;
        std::function<void(MemoryFileSystem&, ScheduleStore&)> edit;
        bool takenIn;
        const Schedule& active;
        const char* place;
        int writes;             // by the store, once the edit is taken in
        const char* keptAside;  // the aside file's content; none: no such file
    };
    const Case cases[] = {
        {"a hand edit",
         [](MemoryFileSystem& files, ScheduleStore&) {
             files.put(followedSchedules, schedulesNaming(Presets::warmOnly()));
         },
         true, Presets::warmOnly(), "Oslo", 0, nullptr},
        {"a pick saved before the edit is read, which keeps the rest of the edit",
         [](MemoryFileSystem& files, ScheduleStore& store) {
             files.put(followedSchedules, schedulesNaming(Presets::warmOnly()));
             (void)store.setLocation(Location{"Lyon", 45.76, 4.84});
         },
         true, Presets::warmOnly(), "Lyon", 0, nullptr},
        {"our own save",
         [](MemoryFileSystem&, ScheduleStore& store) {
             (void)store.setActiveID(Presets::warmOnly().id);
         },
         false, Presets::warmOnly(), "Berlin, Germany", 0, nullptr},
        {"a damaged edit",
         [](MemoryFileSystem& files, ScheduleStore&) {
             files.put(followedSchedules, R"({"custom":[)");
         },
         false, Presets::defaultSchedule(), "Berlin, Germany", 1, R"({"custom":[)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryFileSystem files;
        VirtualTime time;
        CapturingLogger logger;
        FixedTimeZone zone("Europe/Berlin");
        SimulatedFileWatch watch;
        ScheduleStore store(files, logger, followedSchedules, zone, time);
        int rereads = 0, takenIn = 0;
        HandEditFollower follower(watch, time, logger, {{followedSchedules, [&] {
                                                             ++rereads;
                                                             if (store.reload()) ++takenIn;
                                                         }}});
        c.edit(files, store);
        const int writes = files.writes();
        // An editor's save is a burst of notices: nothing is read until they settle.
        watch.changed(followedSchedules);
        time.advanceSeconds(0.5);
        watch.changed(followedSchedules);
        time.advanceSeconds(0.5);
        EXPECT_EQ(rereads, 0);
        time.advanceSeconds(0.5);
        EXPECT_EQ(rereads, 1);
        EXPECT_EQ(takenIn, c.takenIn ? 1 : 0);
        EXPECT_EQ(store.active().id, c.active.id);
        EXPECT_EQ(store.location().get()->name, c.place);
        EXPECT_EQ(files.writes() - writes, c.writes);
        std::optional<std::string> aside;
        for (const auto& [path, bytes] : files.files()) {
            if (path.starts_with(std::string(followedSchedules) + ".unreadable-")) aside = bytes;
        }
        EXPECT_EQ(aside, c.keptAside ? std::optional<std::string>(c.keptAside) : std::nullopt);
        // The file holds the schedules in use, and what this version does not know stays.
        auto stored = files.read(followedSchedules);
        ASSERT_TRUE(stored.ok);
        EXPECT_NE(stored.bytes.find(c.active.id.string()), std::string::npos);
        if (c.takenIn) {
            (void)store.setLocation(store.location().get());
            EXPECT_NE(files.read(followedSchedules).bytes.find("\"fromANewerVersion\":7"),
                      std::string::npos);
        }
    }
}

TEST(HandEditFollowerTest, AFileThatCannotBeWatchedIsSaidOnceAndTheOthersAreFollowed) {
    SimulatedFileWatch watch;
    VirtualTime time;
    CapturingLogger logger;
    watch.refuse("/a/defaults.json", "No space left on device");
    int rereads = 0;
    HandEditFollower follower(
        watch, time, logger,
        {{"/a/defaults.json", [] {}}, {"/b/schedules.json", [&] { ++rereads; }}});
    EXPECT_EQ(logger.count("/a/defaults.json"), 1u);
    EXPECT_TRUE(logger.contains("read at the next start"));
    watch.changed("/b/schedules.json");
    time.advanceSeconds(1);
    EXPECT_EQ(rereads, 1);
}

}  // namespace
}  // namespace vesperine
