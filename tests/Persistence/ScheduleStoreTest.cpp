#include "Persistence/HandEditFollower.h"
#include "Persistence/ScheduleStore.h"

#include <gtest/gtest.h>

#include "Platform/Linux/Files/PosixFileSystem.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/FixedTimeZone.h"
#include "Platform/Simulated/MemoryFileSystem.h"
#include "Platform/Simulated/SimulatedFileWatch.h"
#include "Platform/Simulated/VirtualTime.h"
#include "Schedule/Presets.h"
#include "Support/TempFolder.h"

namespace fs = std::filesystem;

namespace vesperine {
namespace {

// Real files, with a move that fails as a root-run test cannot make it fail through
// permissions. (A write that fails, and the save after it, is the schedule tab's test.)
class FaultyFileSystem final : public FileSystem {
public:
    ReadResult read(const std::string& path) const override { return real.read(path); }
    Status writeAtomically(const std::string& path, const std::string& bytes) override {
        ++writes;
        return real.writeAtomically(path, bytes);
    }
    Result<std::string> moveAside(const std::string& path, const std::string& suffix) override {
        if (failMoves) return Error{"Operation not permitted"};
        return real.moveAside(path, suffix);
    }
    bool exists(const std::string& path) const override { return real.exists(path); }

    PosixFileSystem real;
    bool failMoves = false;
    int writes = 0;
};

class ScheduleStoreTest : public testing::Test {
protected:
    std::unique_ptr<ScheduleStore> open() {
        return std::make_unique<ScheduleStore>(files_, logger_, path_, zone_, time_);
    }
    void reset() { fs::remove_all(dir_ / "store"); }
    std::vector<fs::path> asideFiles() const {
        std::vector<fs::path> result;
        for (const auto& entry : fs::directory_iterator(dir_ / "store")) {
            if (entry.path().filename().string().starts_with("schedules.json.unreadable-"))
                result.push_back(entry.path());
        }
        return result;
    }

    TempFolder dir_;
    const std::string path_ = dir_ / "store/schedules.json";
    FaultyFileSystem files_;
    CapturingLogger logger_;
    FixedTimeZone zone_{"Europe/Berlin"};
    VirtualTime time_;
};

// The first start guesses the location from the zone and writes the file; a valid file is
// then read as it is, without a write.
TEST_F(ScheduleStoreTest, FirstStartWritesTheFileWhichThenLoadsWithoutBeingWrittenBack) {
    {
        auto store = open();
        auto tree = json::parse(dir_.read(path_));
        ASSERT_TRUE(tree.ok());
        EXPECT_EQ((*tree)["activeID"], "5C1B6A52-0001-4000-8000-000000000001");
        EXPECT_EQ((*tree)["location"]["name"], "Berlin, Germany");
        store->addNew(ScheduleStore::makeTemplate(), "Evenings", true);
    }
    const int writesBefore = files_.writes;
    auto again = open();
    EXPECT_EQ(files_.writes, writesBefore);
    EXPECT_EQ(again->active().name, "Evenings");
    EXPECT_EQ(again->schedules().size(), 5u);

    // A missing location member loads as none and is then guessed (and written).
    dir_.write(path_, R"({"custom":[],"activeID":"5C1B6A52-0003-4000-8000-000000000003","extra":true})");
    auto guessed = open();
    EXPECT_EQ(guessed->active().name, "Bright only");
    EXPECT_EQ(guessed->location().get()->name, "Berlin, Germany");
    EXPECT_TRUE(asideFiles().empty());
}

// A damaged file, or one written by a newer version, used to be overwritten by the very save
// that guessing a location makes during construction, losing every custom schedule in it.
TEST_F(ScheduleStoreTest, AFileThatDoesNotDecodeIsMovedAsideBeforeAnySave) {
    const std::string damaged[] = {
        "garbage \x01\x02",
        R"({"version":2,"schedules":[{"name":"From the future"}]})",
        R"({"custom":[],"activeID":"5C1B6A52-0001-4000-8000-000000000001","location":{"name":"x","latitude":"n"}})",
    };
    for (const auto& text : damaged) {
        SCOPED_TRACE(text);
        reset();
        logger_.clear();
        dir_.write(path_, text);
        auto store = open();  // guesses Berlin, which saves
        EXPECT_EQ(logger_.count("Couldn't read schedules: ", "store"), 1u);
        auto aside = asideFiles();
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(dir_.read(aside[0]), text);
        EXPECT_TRUE(logger_.contains("aside to " + aside[0].string(), "store"));
        EXPECT_TRUE(json::parse(dir_.read(path_)).ok());
        EXPECT_TRUE(store->lastSave().ok());
        EXPECT_TRUE(store->setActiveID(Presets::warmOnly().id).ok());  // later saves write normally
        EXPECT_EQ(asideFiles().size(), 1u);
    }
}

TEST_F(ScheduleStoreTest, NeverWritesOverAFileItCouldNotReadOrMove) {
    // A folder where the file should be: unreadable, moved aside whole.
    dir_.write(path_ + "/inside", "keep");
    {
        auto store = open();
        auto aside = asideFiles();
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(dir_.read(aside[0] / "inside"), "keep");
        EXPECT_TRUE(fs::is_regular_file(path_));
    }
    // The file cannot be moved aside: saving fails and says so, the file stays as it was.
    reset();
    dir_.write(path_, "{broken");
    files_.failMoves = true;
    logger_.clear();
    auto store = open();
    EXPECT_FALSE(store->lastSave().ok());
    EXPECT_FALSE(store->setActiveID(Presets::manual().id).ok());
    EXPECT_EQ(dir_.read(path_), "{broken");
    EXPECT_EQ(store->active().name, "Manual");  // the session still works in memory
    EXPECT_GE(logger_.count("Couldn't save schedules: ", "store"), 2u);
}

TEST_F(ScheduleStoreTest, AddingDuplicatingUpdatingAndDeleting) {
    auto store = open();
    auto first = store->addNew(ScheduleStore::makeTemplate(), "My schedule", false);
    auto second = store->addNew(ScheduleStore::makeTemplate(), "My schedule", false);
    auto third = store->addNew(ScheduleStore::makeTemplate(), " \t ", false);
    auto copy = store->duplicate(Presets::dayAndNight(), false);
    EXPECT_EQ((std::vector{first.name, second.name, third.name, copy.name}),
              (std::vector<std::string>{"My schedule", "My schedule 2", "My schedule 3",
                                        "Day & Night copy"}));
    EXPECT_FALSE(copy.isBuiltIn);
    EXPECT_NE(copy.id, Presets::dayAndNight().id);
    ASSERT_EQ(copy.keyframes.size(), 3u);

    auto builtInLookalike = copy;
    builtInLookalike.name = "Changed";
    builtInLookalike.isBuiltIn = true;
    EXPECT_TRUE(store->update(builtInLookalike).ok());
    EXPECT_EQ(store->schedule(copy.id)->name, "Day & Night copy");
    auto renamed = copy;
    renamed.name = "Renamed";
    EXPECT_TRUE(store->update(renamed).ok());
    EXPECT_EQ(store->schedule(copy.id)->name, "Renamed");

    EXPECT_TRUE(store->setActiveID(second.id).ok());
    EXPECT_TRUE(store->deleteSchedule(second).ok());
    EXPECT_EQ(store->activeID().get(), Presets::defaultSchedule().id);
    EXPECT_EQ(open()->custom()->size(), 3u);

    // An active id naming nothing stays stored; active falls back to the default.
    auto unknown = Uuid::random();
    EXPECT_TRUE(store->setActiveID(unknown).ok());
    EXPECT_EQ(open()->activeID().get(), unknown);
    EXPECT_EQ(open()->active().name, "Day & Night");
}

constexpr const char* followedSchedules = "/home/zoe/.local/share/vesperine/schedules.json";

std::string schedulesNaming(const Schedule& active) {
    return R"({"custom":[],"activeID":")" + active.id.string() +
           R"(","location":{"name":"Oslo","latitude":59.9,"longitude":10.7},"fromANewerVersion":7})";
}

// Our own save is left alone; a damaged edit is kept aside while the schedules in use are
// written back, so nothing is lost either way.
TEST(HandEditFollowerTest, TheScheduleFileIsTakenInOnceItsNoticesSettle) {
    const std::string handEdit = schedulesNaming(Presets::warmOnly());
    const Location lyon{"Lyon", 45.76, 4.84};
    constexpr auto none = std::nullopt;
    struct Case {
        const char* what;
        std::optional<std::string> edit;      // what is written by hand, if anything
        std::optional<Location> placePicked;  // saved by us before the edit is read
        bool ownPick;                         // a schedule picked and saved by us
        bool takenIn;
        const Schedule& active;
        const char* place;
        int writes;             // by the store, once the edit is taken in
        const char* keptAside;  // the aside file's content; none: no such file
    };
    const Case cases[] = {
        {"a hand edit", handEdit, none, false, true, Presets::warmOnly(), "Oslo", 0, nullptr},
        {"a pick saved before the edit is read, which keeps the rest of the edit", handEdit, lyon,
         false, true, Presets::warmOnly(), "Lyon", 0, nullptr},
        {"our own save", none, none, true, false, Presets::warmOnly(), "Berlin, Germany", 0,
         nullptr},
        {"a damaged edit", R"({"custom":[)", none, false, false, Presets::defaultSchedule(),
         "Berlin, Germany", 1, R"({"custom":[)"},
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
        if (c.edit) files.put(followedSchedules, *c.edit);
        if (c.placePicked) (void)store.setLocation(*c.placePicked);
        if (c.ownPick) (void)store.setActiveID(Presets::warmOnly().id);
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

}  // namespace
}  // namespace vesperine
