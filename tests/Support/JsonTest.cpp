#include "Support/Json.h"

#include <gtest/gtest.h>

#include <limits>

namespace vesperine {
namespace {

TEST(Json, MemberReadersRejectWrongTypesAndUnrepresentableNumbers) {
    auto tree = json::parse(R"({"n":3.5,"i":7,"fi":7.0,"big":18446744073709551615,"neg":-3,
        "s":"x","b":true,"nul":null,"huge":1e308,
        "u":"6ba7b810-9dad-11d1-80b4-00c04fd430c8","badu":"6ba7b810-9dad-11d1-80b4"})");
    ASSERT_TRUE(tree.ok());
    const Json& o = *tree;
    EXPECT_EQ(*json::number(o, "n"), 3.5);
    EXPECT_EQ(*json::number(o, "i"), 7.0);
    EXPECT_EQ(*json::number(o, "huge"), 1e308);
    EXPECT_FALSE(json::number(o, "s").ok());
    EXPECT_FALSE(json::number(o, "nul").ok());
    EXPECT_FALSE(json::number(o, "missing").ok());
    EXPECT_EQ(*json::integer(o, "i"), 7);
    EXPECT_EQ(*json::integer(o, "fi"), 7);
    EXPECT_EQ(*json::integer(o, "neg"), -3);
    EXPECT_FALSE(json::integer(o, "n").ok());
    EXPECT_FALSE(json::integer(o, "big").ok());
    EXPECT_FALSE(json::integer(o, "huge").ok());
    EXPECT_FALSE(json::boolean(o, "i").ok());
    EXPECT_TRUE(*json::boolean(o, "b"));
    EXPECT_EQ(json::uuid(o, "u")->string(), "6BA7B810-9DAD-11D1-80B4-00C04FD430C8");
    EXPECT_FALSE(json::uuid(o, "badu").ok());
    EXPECT_FALSE(json::member(Json::array(), "n").ok());
}

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
