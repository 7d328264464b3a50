#include "App/LegacyMigration.h"

#include <gtest/gtest.h>

#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/MemoryDefaultsStore.h"
#include "Platform/Simulated/MemoryFileSystem.h"
#include "Platform/Simulated/SimulatedTrash.h"

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
        {"first launch",
         [](World&) {},
         {quitting, settings + "preferences, hotkeys", schedules, "migration: " + binned}},
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

}  // namespace
}  // namespace vesperine
