// The migration on a real home folder laid out as on a desktop, with the real files, defaults
// and Trash. Whatever goes wrong, nothing of ours or of the predecessor's may be lost.
#include "App/LegacyMigration.h"

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <map>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Platform/Linux/Files/FreedesktopTrash.h"
#include "Platform/Linux/Files/JsonFileDefaultsStore.h"
#include "Platform/Linux/Files/PosixFileSystem.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/MemoryDefaultsStore.h"
#include "Platform/Simulated/MemoryFileSystem.h"
#include "Platform/Simulated/SimulatedTrash.h"
#include "Platform/Simulated/VirtualTime.h"
#include "Support/TempFolder.h"

namespace fs = std::filesystem;

namespace vesperine {
namespace {

const std::string ours = "/data/vesperine/schedules.json";
const std::string theirs = "/data/solvo/schedules.json";
const std::string program = "/home/u/.local/bin/solvo";

// A first launch with everything of the predecessor's in place; each case changes a little.
struct World {
    World() {
        old.set("preferences", Data{R"({"warmKelvin":2900})"});
        old.set("hotkeys", Data{"{}"});
        old.set("other", true);
        files.put(theirs, R"({"custom":[],"activeID":"5C1B6A52-0001-4000-8000-000000000001"})");
        files.put(program, std::string("\x7f"
                                       "ELF\0com.brevan.solvo\0",
                                       22));
    }
    MemoryDefaultsStore defaults, old;
    MemoryFileSystem files;
    SimulatedTrash trash{&files};
    CapturingLogger logger;
    bool installed = true, noSettings = false;
    std::vector<Status> quit{success()};
};

const std::string quitting = "migration: Quitting old Solvo";
const std::string binned = "Moved old Solvo to the Trash";
const std::string settings = "migration: Migrated settings: ",
                  schedules = "migration: Migrated schedules";

TEST(LegacyMigration, TakesOverOnceWithoutLosingAnything) {
    struct Case {
        const char* name;
        std::function<void(World&)> change;
        std::vector<std::string> logs;  // "category: message", in order
    } cases[] = {
        {"our own settings and schedules win",
         [](World& w) {
             w.defaults.set("preferences", Data{"mine"});
             w.files.put(ours, "{ours}");
         },
         {quitting, settings + "hotkeys", "migration: " + binned}},
        {"second launch only asks it to quit",
         [](World& w) {
             w.defaults.set(LegacyMigration::markerKey, true);
             w.quit = {success(), Error{"No such process"}};
         },
         {quitting, quitting, "migration: Couldn't ask old Solvo to quit: No such process"}},
        {"run from elsewhere",
         [](World& w) { w.installed = false; },
         {quitting, settings + "preferences, hotkeys", schedules}},
        {"another program named solvo",
         [](World& w) {
             w.files.put(program, "com.brevan.solvo2 com.brevan.solvo.x xcom.brevan.solvo");
         },
         {quitting, settings + "preferences, hotkeys", schedules}},
        {"no predecessor at all",
         [](World& w) {
             w.files = {};
             w.noSettings = true;
             w.quit = {};
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        World w;
        c.change(w);
        const auto before = w.defaults.all();
        const auto files = w.files.files();
        using Opened = Result<std::unique_ptr<const DefaultsStore>>;
        LegacyMigration::Predecessor solvo{
            [&] {
                return w.noSettings ? Opened(nullptr)
                                    : Opened(std::make_unique<MemoryDefaultsStore>(w.old));
            },
            theirs, program, [&] { return w.quit; }};
        LegacyMigration({w.defaults, w.files, w.trash, w.logger}, solvo, ours).run(w.installed);

        std::vector<std::string> logs;
        for (const auto& line : w.logger.lines())
            logs.push_back(line.category + ": " + line.message);
        EXPECT_EQ(logs, c.logs);
        // A key of ours stays; one we lacked arrives as they stored it, when settings migrated.
        EXPECT_TRUE(w.defaults.boolean(LegacyMigration::markerKey));
        const bool migrated = w.logger.contains("Migrated settings");
        for (std::string key : {"preferences", "hotkeys", "override", "other"}) {
            const auto kept = before.find(key);
            EXPECT_EQ(w.defaults.value(key), kept != before.end()         ? kept->second
                                             : migrated && key != "other" ? w.old.value(key)
                                                                          : std::nullopt);
        }
        // Their files stay; ours arrive whole only where we had none.
        auto expected = files;
        if (w.logger.contains("Migrated schedules")) expected[ours] = files.at(theirs);
        if (w.logger.contains(binned))
            expected["/Trash/solvo"] = files.at(program), expected.erase(program);
        EXPECT_EQ(w.files.files(), expected);
    }
}

class LegacyMigrationFiles : public testing::Test {
public:
    // A home as odd as a user's may be; our files and theirs in their desktop places.
    fs::path home() const { return home_.path(); }
    fs::path ours(const char* name) const { return place("com.brevan.vesperine", name); }
    fs::path theirs(const char* name) const { return place("com.brevan.solvo", name); }
    fs::path place(const char* id, const char* name) const {
        return home() / (name == std::string("defaults.json") ? ".config" : ".local/share") / id /
               name;
    }
    fs::path program() const { return home() / ".local/bin/solvo"; }
    fs::path trashed() const { return home() / ".local/share/Trash/files/solvo"; }
    void writeFile(const fs::path& path, const std::string& bytes) { home_.write(path, bytes); }
    std::string readAll(const fs::path& path) const { return home_.read(path); }

protected:
    void SetUp() override {
        writeFile(
            theirs("defaults.json"),
            R"({"preferences":{"$data":"eyJ3YXJtS2VsdmluIjoyOTAwfQ=="},"onboardingComplete":true})");
        writeFile(ours("defaults.json"),
                  R"({"hotkeys":{"$data":"eyJtaW5lIjp0cnVlLCJwYWQiOiIuLi4uLi4uIn0="}})");
        writeFile(theirs("schedules.json"),
                  R"({"custom":[],"activeID":"5C1B6A52-0001-4000-8000-000000000001","location":)"
                  R"({"name":"Zürich","latitude":47.37,"longitude":8.54}})");
        writeFile(program(), std::string("ELF\0com.brevan.solvo\0", 21));
    }
    void TearDown() override {
        for (const auto& entry : fs::recursive_directory_iterator(home()))
            if (entry.is_directory())
                fs::permissions(entry, fs::perms::owner_all, fs::perm_options::add);
    }

    // The first launch as start-up runs it, installed.
    void migrate(CapturingLogger& logger) {
        JsonFileDefaultsStore defaults(files_, logger, ours("defaults.json"));
        FreedesktopTrash trash(FreedesktopTrash::homeTrash(home() / ".local/share"), time_);
        LegacyMigration::Predecessor solvo{[&] {
                                               return JsonFileDefaultsStore::openReadOnly(
                                                   files_, logger, theirs("defaults.json"));
                                           },
                                           theirs("schedules.json"), program(), nullptr};
        LegacyMigration({defaults, files_, trash, logger}, solvo, ours("schedules.json")).run(true);
    }

    std::map<fs::path, std::string> snapshot() const {
        std::map<fs::path, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(home()))
            if (entry.is_regular_file()) files[entry.path()] = readAll(entry.path());
        return files;
    }

    TempFolder home_{"home of \"Zoë\" 'n' 日本"};
    PosixFileSystem files_;
    VirtualTime time_;
};

struct Damage {
    const char* name;
    std::function<void(LegacyMigrationFiles&)> apply;
    std::vector<const char*> logs;  // each must appear
    rlim_t fileSizeLimit = RLIM_INFINITY;
};

class LegacyMigrationDamage : public LegacyMigrationFiles,
                              public testing::WithParamInterface<Damage> {};

// Runs in a child without capabilities, so that permissions hold even for root, and with the
// case's file-size limit standing in for a full disk.
TEST_P(LegacyMigrationDamage, NothingOfOursOrTheirsIsLost) {
    GetParam().apply(*this);
    const auto before = snapshot();
    if (const pid_t child = ::fork(); child == 0) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct none[_LINUX_CAPABILITY_U32S_3] = {};
        const rlimit limit{GetParam().fileSizeLimit, RLIM_INFINITY};
        ::signal(SIGXFSZ, SIG_IGN);
        if (::syscall(SYS_capset, &header, none) != 0 || ::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            ::_exit(255);
        }
        CapturingLogger logger;
        migrate(logger);
        int found = 0;  // one bit per expected line
        for (std::size_t i = 0; i < GetParam().logs.size(); ++i) {
            found |= logger.contains(GetParam().logs[i]) ? 1 << i : 0;
        }
        ::_exit(found);
    } else {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), (1 << GetParam().logs.size()) - 1)
            << testing::PrintToString(GetParam().logs) << " found by bit";
    }
    // No temporary file stays, and no entry in the Trash lacks its item.
    for (const auto& [path, bytes] : snapshot()) {
        EXPECT_EQ(path.string().find(".tmp-"), std::string::npos) << path;
        EXPECT_TRUE(path.extension() != ".trashinfo" || fs::exists(trashed())) << path;
    }
    // Their schedules arrive whole or not at all; their program is in its place or the Trash.
    if (fs::exists(ours("schedules.json"))) {
        EXPECT_EQ(readAll(ours("schedules.json")), before.at(theirs("schedules.json")));
    }
    EXPECT_EQ(readAll(fs::exists(program()) ? program() : trashed()), before.at(program()));
    // Our settings keep what they held and gain theirs as stored.
    CapturingLogger quiet;
    JsonFileDefaultsStore now(files_, quiet, ours("defaults.json"));
    EXPECT_EQ(now.data("hotkeys"), R"({"mine":true,"pad":"......."})");
    EXPECT_EQ(now.data("preferences").value_or(R"({"warmKelvin":2900})"), R"({"warmKelvin":2900})");
    for (const auto& [path, bytes] : before) {
        if (path == program() || path == ours("defaults.json")) continue;
        EXPECT_EQ(readAll(path), bytes) << path;
    }
}

INSTANTIATE_TEST_SUITE_P(
    , LegacyMigrationDamage,
    testing::Values(Damage{"Intact",
                           [](auto&) {},
                           {"Migrated settings: preferences, onboardingComplete",
                            "Migrated schedules", "Moved old Solvo to the Trash"}},
                    Damage{"TruncatedSchedules",
                           [](auto& t) { fs::resize_file(t.theirs("schedules.json"), 40); },
                           {"Couldn't migrate schedules: \"", "schedules.json\" is damaged: "}},
                    Damage{"GarbageSettings",
                           [](auto& t) {
                               t.writeFile(t.theirs("defaults.json"),
                                         std::string("\0\xff{\"preferences\":", 16));
                           },
                           {"Couldn't read old Solvo's settings: \"",
                            "defaults.json\" is damaged: ", "Migrated schedules"}},
                    Damage{"ReadOnlyFolders",
                           [](auto& t) {
                               fs::create_directories(t.ours("schedules.json").parent_path());
                               fs::permissions(t.ours("schedules.json").parent_path(),
                                               fs::perms(0500));
                               fs::permissions(t.program().parent_path(), fs::perms(0500));
                           },
                           {"Couldn't migrate schedules: Couldn't create",
                            "Couldn't remove old Solvo: Couldn't move \"", "Permission denied"}},
                    Damage{"DiskFills",
                           [](auto&) {},
                           {"Couldn't save defaults", "Couldn't migrate schedules: Couldn't write",
                            "Couldn't remove old Solvo: "},
                           32}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LegacyMigrationFiles, AScheduleFileOfOursIsNeverReplaced) {
    writeFile(ours("schedules.json"), "{ours}");
    EXPECT_FALSE(files_.writeNewAtomically(ours("schedules.json"), "{theirs}"));
    EXPECT_EQ(readAll(ours("schedules.json")), "{ours}");
    EXPECT_EQ(std::distance(fs::directory_iterator(ours("schedules.json").parent_path()), {}), 1);
}

}  // namespace
}  // namespace vesperine
