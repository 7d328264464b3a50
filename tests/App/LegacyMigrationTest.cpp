// The migration on a real home folder laid out as on a desktop, with the real files, defaults
// and Trash. Whatever goes wrong, nothing of ours or of the predecessor's may be lost.
#include "App/LegacyMigration.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <map>

#include "Platform/Linux/Files/FreedesktopTrash.h"
#include "Platform/Linux/Files/JsonFileDefaultsStore.h"
#include "Platform/Linux/Files/PosixFileSystem.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/VirtualTime.h"
#include "Support/TempFolder.h"

namespace fs = std::filesystem;

namespace vesperine {
namespace {

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
        // Their hotkeys too, which ours win over.
        writeFile(theirs("defaults.json"),
                  R"({"preferences":{"$data":"eyJ3YXJtS2VsdmluIjoyOTAwfQ=="},)"
                  R"("hotkeys":{"$data":"eyJ0aGVpcnMiOnRydWV9"},"onboardingComplete":true})");
        writeFile(ours("defaults.json"),
                  R"({"hotkeys":{"$data":"eyJtaW5lIjp0cnVlLCJwYWQiOiIuLi4uLi4uIn0="}})");
        writeFile(theirs("schedules.json"),
                  R"({"custom":[],"activeID":"5C1B6A52-0001-4000-8000-000000000001","location":)"
                  R"({"name":"Zürich","latitude":47.37,"longitude":8.54}})");
        writeFile(program(), std::string("ELF\0com.brevan.solvo\0", 21));
    }

    // A launch as start-up runs it.
    void migrate(CapturingLogger& logger, bool installed = true) {
        JsonFileDefaultsStore defaults(files_, logger, ours("defaults.json"));
        FreedesktopTrash trash(FreedesktopTrash::homeTrash(home() / ".local/share"), time_);
        LegacyMigration::Predecessor solvo{[&] {
                                               return JsonFileDefaultsStore::openReadOnly(
                                                   files_, logger, theirs("defaults.json"));
                                           },
                                           theirs("schedules.json"), program(), nullptr};
        LegacyMigration({defaults, files_, trash, logger}, solvo, ours("schedules.json"))
            .run(installed);
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

// Runs in a child, so that the case's file-size limit (standing in for a full disk) ends with it.
TEST_P(LegacyMigrationDamage, NothingOfOursOrTheirsIsLost) {
    GetParam().apply(*this);
    const auto before = snapshot();
    if (const pid_t child = ::fork(); child == 0) {
        const rlimit limit{GetParam().fileSizeLimit, RLIM_INFINITY};
        ::signal(SIGXFSZ, SIG_IGN);
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(255);
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
                    Damage{"DiskFills",
                           [](auto&) {},
                           {"Couldn't save defaults", "Couldn't migrate schedules: Couldn't write",
                            "Couldn't remove old Solvo: "},
                           32}),
    [](const auto& info) { return std::string(info.param.name); });

// A copy run from a download leaves their program be; the launch after (installed by then)
// takes over nothing again.
TEST_F(LegacyMigrationFiles, OnlyAnInstalledFirstLaunchMovesTheirProgramToTheTrash) {
    const std::string theirProgram = readAll(program());
    CapturingLogger logger;
    migrate(logger, false);
    migrate(logger, true);
    EXPECT_EQ(logger.count("Migrated schedules"), 1u);
    EXPECT_EQ(readAll(program()), theirProgram);
    EXPECT_FALSE(fs::exists(trashed()));
}

// Another program named solvo is not theirs: only the identifier as a whole word counts.
TEST(LegacyMigration, OnlyTheirOwnProgramIsTakenForTheirs) {
    EXPECT_TRUE(LegacyMigration::namesPredecessor(std::string("ELF\0com.brevan.solvo\0", 21)));
    EXPECT_FALSE(LegacyMigration::namesPredecessor(
        "com.brevan.solvo2 com.brevan.solvo.x xcom.brevan.solvo"));
}

TEST_F(LegacyMigrationFiles, AScheduleFileOfOursIsNeverReplaced) {
    writeFile(ours("schedules.json"), "{ours}");
    EXPECT_FALSE(files_.writeNewAtomically(ours("schedules.json"), "{theirs}"));
    EXPECT_EQ(readAll(ours("schedules.json")), "{ours}");
    EXPECT_EQ(std::distance(fs::directory_iterator(ours("schedules.json").parent_path()), {}), 1);
}

}  // namespace
}  // namespace vesperine
