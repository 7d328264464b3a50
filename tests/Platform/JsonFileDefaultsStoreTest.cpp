#include "Platform/Linux/JsonFileDefaultsStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "App/Preferences.h"
#include "Platform/Linux/PosixFileSystem.h"
#include "Platform/Simulated/CapturingLogger.h"
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

// Entries written by a newer version or by hand used to vanish at the next save of another key.
TEST_F(JsonFileDefaultsStoreTest, EntriesOfUnknownFormsReadAsAbsentAndAreKept) {
    const std::string text = R"({"preferences":{"$data":"!!not base64!!"},"flag":"yes","count":1.5,)"
                             R"("x":{"$double":"huh"},"list":[1,"a",null],"none":null,)"
                             R"("record":{"a":{"b":[]}},"huge":18446744073709551615})";
    dir_.write(path_, text);
    JsonFileDefaultsStore store(files_, logger_, path_);
    EXPECT_FALSE(store.data("preferences"));
    EXPECT_FALSE(store.boolean("flag"));
    EXPECT_EQ(store.integer("count"), 0);
    EXPECT_FALSE(store.value("list"));
    EXPECT_EQ(Preferences::load(store), Preferences{});
    store.set("added", true);
    Json expected = *json::parse(text);
    expected["added"] = true;
    EXPECT_EQ(*json::parse(dir_.read(path_)), expected);
    store.set("list", std::int64_t{3});  // setting or removing one replaces it like any other
    store.remove("none");
    expected["list"] = 3;
    expected.erase("none");
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
    }
    EXPECT_EQ(dir_.read(inside), "precious");
    EXPECT_EQ(logger_.count("Couldn't read defaults", "store"), 1u);
    EXPECT_EQ(logger_.count("Couldn't save defaults", "store"), 1u);  // once, not per change
}

TEST_F(JsonFileDefaultsStoreTest, AnotherProgramsFileOpensReadOnlyOrNotAtAll) {
    auto none = JsonFileDefaultsStore::openReadOnly(files_, logger_, path_);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->get(), nullptr);
    dir_.write("com.brevan.vesperine/defaults.json", R"({"flag":true})");
    auto opened = JsonFileDefaultsStore::openReadOnly(files_, logger_, path_);
    ASSERT_TRUE(opened && *opened);
    EXPECT_TRUE((*opened)->boolean("flag"));
}

}  // namespace
}  // namespace vesperine
