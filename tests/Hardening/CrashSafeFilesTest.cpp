// A process killed at any moment (power cut, OOM killer, kill -9) must leave the schedule file
// and the defaults file each either as they were or as they were about to become: whole, and
// loading without complaint. A child saves both in a loop and is killed at random moments.
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "Persistence/ScheduleStore.h"
#include "Platform/Linux/Files/JsonFileDefaultsStore.h"
#include "Platform/Linux/Files/PosixFileSystem.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/FixedTimeZone.h"
#include "Platform/Simulated/VirtualTime.h"
#include "Schedule/Presets.h"
#include "Support/ChildProcess.h"
#include "Support/TempFolder.h"

namespace fs = std::filesystem;

namespace vesperine {
namespace {

// Large enough that a save takes a while (encoding, writing, syncing), so that many kills land
// inside one and not only between two.
std::string filler(std::int64_t version, std::size_t size) {
    std::string text(size, 'a');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + (version + i) % 26);
    return text;
}
constexpr std::size_t schedulePayload = 16 * 1024;
constexpr std::size_t defaultsPayload = 32 * 1024;

std::string versionName(std::int64_t version) {
    return std::to_string(version) + ":" + filler(version, schedulePayload);
}

// Both files, opened as the program opens them.
struct Stores {
    Stores(const std::string& schedules, const std::string& defaultsFile)
        : store(files, logger, schedules, zone, time), defaults(files, logger, defaultsFile) {}
    // Version after version of both, the schedule first; false once a schedule save failed.
    bool save(std::int64_t version) {
        if (store.custom()->empty()) store.addNew(Presets::dayAndNight(), versionName(0), true);
        Schedule changed = store.custom()->front();
        changed.name = versionName(version);
        const bool saved = store.update(changed).ok();
        defaults.set("payload", filler(version, defaultsPayload));
        defaults.set("version", version);
        return saved;
    }

    PosixFileSystem files;
    CapturingLogger logger;
    FixedTimeZone zone{"UTC"};
    VirtualTime time;
    ScheduleStore store;
    JsonFileDefaultsStore defaults;
};

struct Loaded {
    std::int64_t scheduleVersion = -1;
    std::int64_t defaultsVersion = -1;
    bool whole = true;
    std::vector<std::string> complaints;
};

class CrashSafeFiles : public testing::Test {
protected:
    // The child: picks up what the files hold and saves version after version until killed;
    // the parent kills at random moments of the loop, not of start-up. Killed between the
    // two saves, the schedule file is one version ahead; saving that version again keeps
    // both files from going back.
    void saveForever(int ready) {
        Stores stores(schedules_, defaults_);
        for (std::int64_t version = stores.defaults.integer("version");;) {
            (void)stores.save(++version);  // a failed save shows in what the parent loads
            if (ready >= 0 && ::write(ready, "s", 1) == 1) ::close(std::exchange(ready, -1));
        }
    }

    Loaded load() const {
        Loaded result;
        Stores stores(schedules_, defaults_);
        for (const auto& line : stores.logger.lines()) result.complaints.push_back(line.message);
        if (!stores.store.custom()->empty()) {
            const std::string& name = stores.store.custom()->front().name;
            result.scheduleVersion = std::stoll(name.substr(0, name.find(':')));
            result.whole = name == versionName(result.scheduleVersion);
        }
        if (stores.defaults.value("version")) {
            result.defaultsVersion = stores.defaults.integer("version");
            // The payload of a version is set before the version itself.
            const auto payload = stores.defaults.string("payload");
            result.whole = result.whole && payload &&
                           (*payload == filler(result.defaultsVersion, defaultsPayload) ||
                            *payload == filler(result.defaultsVersion + 1, defaultsPayload));
        }
        return result;
    }

    TempFolder dir_;
    const std::string schedules_ = dir_ / ("data/" + std::string(ScheduleStore::fileName));
    const std::string defaults_ = dir_ / "config/defaults.json";
};

TEST_F(CrashSafeFiles, KilledAtRandomMomentsEachFileIsOldOrNewAndLoads) {
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> delayMicros(0, 15'000);
    std::int64_t lastSchedule = -1, lastDefaults = -1;
    constexpr int kills = 100;
    for (int i = 0; i < kills; ++i) {
        SCOPED_TRACE("kill " + std::to_string(i));
        ChildProcess saver(forkWhenReady([&](int ready) { saveForever(ready); }));
        ASSERT_GT(saver.pid(), 0);
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicros(random)));
        ASSERT_TRUE(saver.signal(SIGKILL));
        ASSERT_EQ(saver.wait(std::chrono::seconds(5)), 128 + SIGKILL);  // not ended on its own

        const Loaded now = load();
        EXPECT_TRUE(now.whole);
        EXPECT_TRUE(now.complaints.empty()) << now.complaints.front();
        // Never older than what an earlier load saw; the schedule is saved before the defaults.
        EXPECT_GE(now.scheduleVersion, lastSchedule);
        EXPECT_GE(now.defaultsVersion, lastDefaults);
        if (now.scheduleVersion >= 0 && now.defaultsVersion >= 0) {
            EXPECT_GE(now.scheduleVersion, now.defaultsVersion);
            EXPECT_LE(now.scheduleVersion, now.defaultsVersion + 1);
        }
        lastSchedule = now.scheduleVersion;
        lastDefaults = now.defaultsVersion;
    }
    EXPECT_GE(lastDefaults, kills);  // every child saved at least once
    // Nothing was taken for damaged and moved aside, and the next clean save of each file
    // clears away what the killed writers left half-written.
    EXPECT_TRUE(Stores(schedules_, defaults_).save(lastDefaults + 1));
    for (const auto& entry : fs::recursive_directory_iterator(dir_.path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(name.find("unreadable"), std::string::npos) << name;
        EXPECT_EQ(name.find("corrupt"), std::string::npos) << name;
        EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
    }
}

}  // namespace
}  // namespace vesperine
