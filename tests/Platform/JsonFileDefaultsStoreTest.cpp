#include "Platform/Linux/JsonFileDefaultsStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

#include "App/Preferences.h"
#include "Platform/Linux/PosixFileSystem.h"
#include "Platform/Simulated/CapturingLogger.h"

namespace fs = std::filesystem;

namespace vesperine {
namespace {

class JsonFileDefaultsStoreTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vesperine-defaults-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        path_ = (dir_ / "com.brevan.vesperine" / "defaults.json").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    void writeRaw(const std::string& text) {
        fs::create_directories(fs::path(path_).parent_path());
        std::ofstream(path_, std::ios::binary) << text;
    }
    std::string readRaw(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path dir_;
    std::string path_;
    PosixFileSystem files_;
    CapturingLogger logger_;
};

TEST_F(JsonFileDefaultsStoreTest, EveryValueTypeSurvivesARestart) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    {
        JsonFileDefaultsStore store(files_, logger_, path_);
        store.set("flag", true);
        store.set("count", std::int64_t{-42});
        store.set("zero", std::int64_t{0});
        store.set("positive", std::int64_t{7});
        store.set("largest", std::numeric_limits<std::int64_t>::max());
        store.set("ratio", 0.1);
        store.set("odd", nan);
        store.set("big", std::numeric_limits<double>::infinity());
        store.set("name", std::string("Zürich, Switzerland"));
        store.setData("blob", std::string("\0\xff{\"json\"}", 10));
        store.set("gone", true);
        store.remove("gone");
    }
    JsonFileDefaultsStore again(files_, logger_, path_);
    EXPECT_TRUE(again.boolean("flag"));
    EXPECT_EQ(again.integer("count"), -42);
    // Integers stay integers, whatever their sign; as numbers they would read as 0.
    EXPECT_EQ(again.value("zero"), DefaultsValue(std::int64_t{0}));
    EXPECT_EQ(again.integer("positive"), 7);
    EXPECT_EQ(again.integer("largest"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(again.number("ratio"), 0.1);
    EXPECT_TRUE(std::isnan(again.number("odd")));
    EXPECT_TRUE(std::isinf(again.number("big")));
    EXPECT_EQ(again.string("name"), "Zürich, Switzerland");
    EXPECT_EQ(again.data("blob"), std::string("\0\xff{\"json\"}", 10));
    EXPECT_FALSE(again.value("gone"));
    EXPECT_FALSE(again.data("name"));  // another type reads as absent
    EXPECT_EQ(logger_.lines().size(), 0u);
}

TEST_F(JsonFileDefaultsStoreTest, ADamagedFileIsKeptAsideNotOverwritten) {
    const std::string damaged[] = {"{\"preferences\": {\"$data\": \"ey", "\x00\x01garbage", "[1,2]",
                                   "null", ""};
    for (const auto& text : damaged) {
        SCOPED_TRACE(testing::PrintToString(text));
        writeRaw(text);
        JsonFileDefaultsStore store(files_, logger_, path_);
        EXPECT_FALSE(store.value("preferences"));
        EXPECT_EQ(Preferences::load(store), Preferences{});
        store.set("flag", true);
        EXPECT_EQ(readRaw(path_ + ".corrupt"), text);
        JsonFileDefaultsStore again(files_, logger_, path_);
        EXPECT_TRUE(again.boolean("flag"));
        fs::remove(path_ + ".corrupt");
    }
}

TEST_F(JsonFileDefaultsStoreTest, WrongShapedEntriesReadAsAbsent) {
    writeRaw(R"({"preferences":{"$data":"!!not base64!!"},"flag":"yes","count":1.5,"x":{"$double":"huh"}})");
    JsonFileDefaultsStore store(files_, logger_, path_);
    EXPECT_FALSE(store.data("preferences"));
    EXPECT_FALSE(store.boolean("flag"));
    EXPECT_EQ(store.integer("count"), 0);
    EXPECT_EQ(Preferences::load(store), Preferences{});
}

TEST_F(JsonFileDefaultsStoreTest, AFileThatCannotBeReadIsNeverWrittenOver) {
    fs::create_directories(path_);  // a folder where the file should be
    fs::path inside = fs::path(path_) / "keep-me";
    std::ofstream(inside) << "precious";
    {
        JsonFileDefaultsStore store(files_, logger_, path_);
        store.set("flag", true);
        store.set("flag2", true);
        EXPECT_TRUE(store.boolean("flag"));  // kept in memory for this run
    }
    EXPECT_EQ(readRaw(inside.string()), "precious");
    EXPECT_EQ(logger_.count("Couldn't read defaults", "store"), 1u);
    EXPECT_EQ(logger_.count("Couldn't save defaults", "store"), 1u);  // once, not per change
}

TEST_F(JsonFileDefaultsStoreTest, EqualValuesWriteNothingAndNoTemporaryFilesRemain) {
    JsonFileDefaultsStore store(files_, logger_, path_);
    store.set("flag", true);
    auto stamp = fs::last_write_time(path_);
    fs::last_write_time(path_, stamp - std::chrono::hours(1));
    store.set("flag", true);
    EXPECT_EQ(fs::last_write_time(path_), stamp - std::chrono::hours(1));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(fs::path(path_).parent_path())) ++entries;
    EXPECT_EQ(entries, 1u);
}

TEST_F(JsonFileDefaultsStoreTest, AnotherProgramsFileOpensReadOnlyOrNotAtAll) {
    auto none = JsonFileDefaultsStore::openReadOnly(files_, logger_, path_);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->get(), nullptr);
    writeRaw(R"({"flag":true})");
    auto opened = JsonFileDefaultsStore::openReadOnly(files_, logger_, path_);
    ASSERT_TRUE(opened && *opened);
    EXPECT_TRUE((*opened)->boolean("flag"));
}

}  // namespace
}  // namespace vesperine
