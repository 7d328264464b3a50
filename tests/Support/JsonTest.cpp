#include "Support/Json.h"

#include <gtest/gtest.h>

#include <limits>

namespace vesperine {
namespace {

TEST(Json, ParseAndSerializeNeverThrow) {
    for (const char* text : {"", "{", "[1,", "nul", "{\"a\":NaN}", "{\"a\":Infinity}", "1e99999",
                             "\"\xff\"", "{\"a\":1}{\"b\":2}"}) {
        EXPECT_FALSE(json::parse(text).ok()) << text;
    }
    EXPECT_FALSE(json::serialize(Json{{"a", std::numeric_limits<double>::quiet_NaN()}}).ok());
    EXPECT_FALSE(json::serialize(Json{{"a", {1.0, -std::numeric_limits<double>::infinity()}}}).ok());
    // Bytes that are not UTF-8 are replaced, never thrown about.
    EXPECT_EQ(*json::serialize(Json{{"a", std::string("\xff")}}), "{\"a\":\"\xef\xbf\xbd\"}");
    EXPECT_EQ(*json::serialize(Json{{"a", 0.1}}), R"({"a":0.1})");
}

}  // namespace
}  // namespace vesperine
