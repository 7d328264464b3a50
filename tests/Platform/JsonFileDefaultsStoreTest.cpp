#include "Platform/Linux/Files/JsonFileDefaultsStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "App/Preferences.h"
#include "Platform/Linux/Files/PosixFileSystem.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Platform/Simulated/MemoryFileSystem.h"
#include "Support/TempFolder.h"

namespace fs = std::filesystem;

namespace vesperine {
namespace {

class JsonFileDefaultsStoreTest : public testing::Test {
protected:
    TempFolder dir_;
    const std::string path_ = dir_ / "com.brevan.vesperine/defaults.json";
    PosixFileSystem files_;
    CapturingLogger logger_;
};

TEST_F(JsonFileDefaultsStoreTest, EveryValueTypeSurvivesARestart) {
    // Integers stay integers, whatever their sign (as numbers they would read as 0); an equal
    // number of another type replaces one.
    const std::pair<const char*, DefaultsValue> values[] = {
        {"flag", true}, {"count", std::int64_t{-42}}, {"zero", std::int64_t{0}},
        {"largest", std::numeric_limits<std::int64_t>::max()}, {"ratio", 0.1},
        {"big", std::numeric_limits<double>::infinity()}, {"retyped", 2.0},
        {"name", std::string("Zürich, Switzerland")}, {"blob", Data{std::string("\0\xff{\"json\"}", 10)}},
    };
    {
        JsonFileDefaultsStore store(files_, logger_, path_);
        store.set("retyped", std::int64_t{2});
        for (const auto& [key, value] : values) store.set(key, value);
        store.set("odd", std::numeric_limits<double>::quiet_NaN());
        store.set("gone", true);
        store.remove("gone");
    }
    JsonFileDefaultsStore again(files_, logger_, path_);
    for (const auto& [key, value] : values) EXPECT_EQ(again.value(key), value) << key;
    EXPECT_TRUE(std::isnan(again.number("odd")));
    EXPECT_FALSE(again.value("gone"));
    EXPECT_FALSE(again.data("name"));  // another type reads as absent
    EXPECT_EQ(logger_.lines().size(), 0u);

    // An equal value writes nothing, and no temporary file remains.
    const auto stamp = fs::last_write_time(path_) - std::chrono::hours(1);
    fs::last_write_time(path_, stamp);
    again.set("flag", true);
    EXPECT_EQ(fs::last_write_time(path_), stamp);
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(path_).parent_path()), {}), 1);
}

// Each damaged file is kept under its own name (a later one used to replace the earlier
// copy), next to the file a link names: the link stays and the next save goes through it.
TEST_F(JsonFileDefaultsStoreTest, EachDamagedFileIsKeptAsideNotOverwritten) {
    const std::string target = dir_ / "dotfiles/defaults.json";
    dir_.write("dotfiles/defaults.json", "");
    fs::create_directories(fs::path(path_).parent_path());
    fs::create_symlink("../dotfiles/defaults.json", path_);
    const std::string damaged[] = {"{\"preferences\": {\"$data\": \"ey", "\x01garbage", "[1,2]", "null", ""};
    for (int n = 1; const auto& text : damaged) {
        SCOPED_TRACE(testing::PrintToString(text));
        dir_.write(path_, text);
        JsonFileDefaultsStore store(files_, logger_, path_);
        EXPECT_EQ(Preferences::load(store), Preferences{});
        store.set("flag", true);
        EXPECT_TRUE(fs::is_symlink(path_));
        EXPECT_TRUE(JsonFileDefaultsStore(files_, logger_, target).boolean("flag"));
        for (int kept = 1; kept <= n; ++kept) {
            EXPECT_EQ(dir_.read(FileSystem::asideName(target, ".corrupt", kept)), damaged[kept - 1]);
        }
        ++n;
    }
}

// Records are nested JSON in the file, and read back byte for byte; bytes that would not (text
// spelled otherwise than the tree writes it, a lone string, our own "$" wrapping) stay base64.
TEST_F(JsonFileDefaultsStoreTest, RecordsAreNestedJsonAndReadBackExactly) {
    const std::pair<std::string, bool> records[] = {
        {R"({"a":[1,2.5,"Zürich"],"b":{"c":null,"d":true}})", true},
        {R"({"b":1, "a":2})", false},    // spaced, keys out of order: written back otherwise
        {R"({"$data":"eA=="})", false},  // looks like our wrapping
        {R"("text")", false},            // would read back as a string value
    };
    {
        JsonFileDefaultsStore store(files_, logger_, path_);
        for (int i = 0; const auto& [bytes, nested] : records)
            store.setData(std::to_string(i++), bytes);
    }
    const Json file = *json::parse(dir_.read(path_));
    JsonFileDefaultsStore again(files_, logger_, path_);
    for (int i = 0; const auto& [bytes, nested] : records) {
        const std::string key = std::to_string(i++);
        SCOPED_TRACE(bytes);
        EXPECT_EQ(again.data(key), bytes);
        EXPECT_EQ(file[key].contains("$data"), !nested);
    }
    EXPECT_TRUE(logger_.lines().empty());
}

// Entries written by a newer version or by hand used to vanish at the next save of another key.
// A record of the earlier base64-only build loads as it did, and the next save nests it.
TEST_F(JsonFileDefaultsStoreTest, EntriesOfUnknownFormsReadAsAbsentAndAreKept) {
    const std::string text =
        R"({"preferences":{"$data":"!!not base64!!!!"},"flag":"yes","count":1.5,)"
        R"("x":{"$double":"huh"},"y":{"$newer":1},"list":[1,"a",null],"none":null,)"
        R"("old":{"$data":"eyJ3YXJtS2VsdmluIjoyOTAwfQ=="},)"
        R"("record":{"a":{"b":[]}, "n": 1e2},"huge":18446744073709551615})";
    dir_.write(path_, text);
    JsonFileDefaultsStore store(files_, logger_, path_);
    EXPECT_EQ(store.data("old"), R"({"warmKelvin":2900})");
    store.setData("old", R"({"warmKelvin":2900})");  // equal: nothing written
    EXPECT_EQ(dir_.read(path_), text);
    EXPECT_FALSE(store.data("preferences"));
    EXPECT_FALSE(store.boolean("flag"));
    EXPECT_EQ(store.integer("count"), 0);
    EXPECT_FALSE(store.value("y"));
    EXPECT_FALSE(store.value("none"));
    // Lists and objects edited by hand are records, in the text they write back as.
    EXPECT_EQ(store.data("list"), R"([1,"a",null])");
    EXPECT_EQ(store.data("record"), R"({"a":{"b":[]},"n":100.0})");
    EXPECT_EQ(Preferences::load(store), Preferences{});
    store.set("added", true);
    Json expected = *json::parse(text);
    expected["added"] = true;
    expected["old"] = *json::parse(R"({"warmKelvin":2900})");
    EXPECT_EQ(*json::parse(dir_.read(path_)), expected);
}

TEST_F(JsonFileDefaultsStoreTest, AFileThatCannotBeReadIsNeverWrittenOver) {
    const std::string inside = path_ + "/keep-me";  // a folder where the file should be
    dir_.write(inside, "precious");
    {
        JsonFileDefaultsStore store(files_, logger_, path_);
        store.set("flag", true);
        store.set("flag2", true);
        EXPECT_TRUE(store.boolean("flag"));  // kept in memory for this run
        EXPECT_TRUE(store.writeFailure().get());
    }
    EXPECT_EQ(dir_.read(inside), "precious");
    EXPECT_EQ(logger_.count("Couldn't read defaults", "store"), 1u);
    EXPECT_EQ(logger_.count("Couldn't save defaults", "store"), 1u);  // once, not per change
}

// A failed write used to be only logged: the person who made the change must be told, until
// a write succeeds again; the change itself is kept meanwhile and written then.
TEST_F(JsonFileDefaultsStoreTest, AFailedWriteIsSaidUntilOneSucceeds) {
    MemoryFileSystem memory;
    JsonFileDefaultsStore store(memory, logger_, "/config/defaults.json");
    EXPECT_FALSE(store.writeFailure().get());
    memory.failWrites("/config/defaults.json", "Read-only file system");
    store.set("flag", true);
    EXPECT_EQ(store.writeFailure().get(), "Read-only file system");
    EXPECT_TRUE(store.boolean("flag"));
    memory.failWrites("/config/defaults.json", "");
    store.set("other", true);
    EXPECT_FALSE(store.writeFailure().get());
    EXPECT_TRUE(JsonFileDefaultsStore(memory, logger_, "/config/defaults.json").boolean("flag"));
}

// A hand edit of the file while the program ran used to be overwritten by the next save.
// The person's changes, additions and removals are taken in; a key this run changed since it
// last read or wrote the file keeps this run's value; an edit that doesn't parse is kept aside.
TEST_F(JsonFileDefaultsStoreTest, HandEditsMadeWhileRunningSurviveTheNextSave) {
    dir_.write(path_, R"({"kept":1,"edited":1,"removed":1,"ours":1,"oursGone":1})");
    JsonFileDefaultsStore store(files_, logger_, path_);
    dir_.write(path_, R"({"kept":1,"edited":5,"ours":3,"oursGone":1,"mine":"by hand",)"
                      R"("newer":{"$newer":1},"record":{"a":[1]}})");
    store.set("ours", std::int64_t{4});
    store.remove("oursGone");
    EXPECT_EQ(*json::parse(dir_.read(path_)),
              *json::parse(R"({"kept":1,"edited":5,"ours":4,"mine":"by hand",)"
                           R"("newer":{"$newer":1},"record":{"a":[1]}})"));
    EXPECT_EQ(store.integer("edited"), 5);
    EXPECT_FALSE(store.value("removed"));
    EXPECT_EQ(store.data("record"), R"({"a":[1]})");

    dir_.write(path_, R"({"edited":7,)");  // saved half-way through an edit
    store.set("added", false);
    EXPECT_EQ(dir_.read(path_ + ".corrupt"), R"({"edited":7,)");
    EXPECT_EQ(*json::parse(dir_.read(path_)),
              *json::parse(R"({"kept":1,"edited":5,"ours":4,"mine":"by hand",)"
                           R"("newer":{"$newer":1},"record":{"a":[1]},"added":false})"));
    EXPECT_EQ(logger_.count("changed by hand and does not read as settings"), 1u);
}

// What the running program does when the file is seen to change: our own write is no news, a
// hand edit is (also one a save took in first), and a damaged one costs no setting in use.
TEST_F(JsonFileDefaultsStoreTest, AReloadTakesInHandEditsOnly) {
    JsonFileDefaultsStore store(files_, logger_, path_);
    store.set("warm", 3400.5);
    EXPECT_FALSE(store.reload());
    dir_.write(path_, R"({"warm":2700.5})");
    EXPECT_TRUE(store.reload());
    EXPECT_EQ(store.number("warm"), 2700.5);
    EXPECT_FALSE(store.reload());

    dir_.write(path_, R"({"warm":)");
    EXPECT_FALSE(store.reload());
    EXPECT_EQ(dir_.read(path_ + ".corrupt"), R"({"warm":)");
    EXPECT_EQ(*json::parse(dir_.read(path_)), *json::parse(R"({"warm":2700.5})"));
}

TEST_F(JsonFileDefaultsStoreTest, AnotherProgramsMissingFileOpensAsNone) {
    auto none = JsonFileDefaultsStore::openReadOnly(files_, logger_, path_);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->get(), nullptr);
}

}  // namespace
}  // namespace vesperine
