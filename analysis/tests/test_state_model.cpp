#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "json/value.hpp"
#include "types.hpp"

namespace kestrova {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct HashCase {
    const char* label;
    AttributeMap attributes;
    std::string expected;
};

TEST(HashState, CanonicalText) {
    const HashCase cases[] = {
        {"empty map", {}, ""},
        {"sorted keys, bool as JSON",
         {{"b", json::Value(std::uint64_t{1})}, {"a", true}},
         "a:true|b:1.0000"},
        {"uppercase before lowercase, prefix first",
         {{"a_b", 1.0}, {"a", 2.0}, {"B", 3.0}},
         "B:3.0000|a:2.0000|a_b:1.0000"},
        {"below half rounds down", {{"x", 0.00004}}, "x:0.0000"},
        {"0.00005 lies just above half", {{"x", 0.00005}}, "x:0.0001"},
        {"0.00015 lies just below half", {{"x", 0.00015}}, "x:0.0001"},
        {"exact tie goes to even", {{"x", 0.03125}, {"y", 0.09375}}, "x:0.0312|y:0.0938"},
        {"rounding", {{"x", 2.71828}}, "x:2.7183"},
        {"negative", {{"x", -0.5}}, "x:-0.5000"},
        {"negative zero keeps its sign", {{"x", -0.0}}, "x:-0.0000"},
        {"signed integer", {{"x", json::Value(std::int64_t{-3})}}, "x:-3.0000"},
        {"integer above 2^53 prints its nearest double",
         {{"x", json::Value(std::uint64_t{9007199254740993ULL})}},
         "x:9007199254740992.0000"},
        {"largest unsigned",
         {{"x", json::Value(std::numeric_limits<std::uint64_t>::max())}},
         "x:18446744073709551616.0000"},
        {"string with escapes", {{"mode", "on\"\n"}}, "mode:\"on\\\"\\n\""},
        {"null", {{"n", nullptr}}, "n:null"},
        {"array and object, sorted members, shortest doubles",
         {{"arr", json::Array{1.5, json::Value(std::uint64_t{2}), nullptr}},
          {"obj", json::Object{{"z", 0.1}, {"a", "x"}}}},
         "arr:[1.5,2,null]|obj:{\"a\":\"x\",\"z\":0.1}"},
        {"keys are not escaped", {{"a|b:c", 1.0}}, "a|b:c:1.0000"},
        {"infinite initial value", {{"x", kInf}}, "x:inf"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hash_state(c.attributes), c.expected) << c.label;
    }
}

TEST(HashState, IntegerAndDoubleKindsShareAnIdentifier) {
    EXPECT_EQ(hash_state({{"x", json::Value(std::uint64_t{3})}}), hash_state({{"x", 3.0}}));
    EXPECT_EQ(hash_state({{"x", json::Value(std::int64_t{-3})}}), hash_state({{"x", -3.0}}));
    EXPECT_NE(hash_state({{"x", -0.0}}), hash_state({{"x", 0.0}}));
}

TEST(HashState, LargestDoublesPrintAllIntegerDigits) {
    const double max = std::numeric_limits<double>::max();
    const std::string id = hash_state({{"x", -max}});
    ASSERT_EQ(id.size(), std::string("x:-").size() + 309 + 5);
    EXPECT_EQ(id.substr(0, 12), "x:-179769313");
    EXPECT_EQ(id.substr(id.size() - 5), ".0000");
    EXPECT_EQ(hash_state({{"x", 1e20}}), "x:100000000000000000000.0000");
}

TEST(NumericReading, OnlyNumbersHaveOne) {
    const AttributeMap attributes{{"u", json::Value(std::uint64_t{7})},
                                  {"i", json::Value(std::int64_t{-7})},
                                  {"d", 0.5},
                                  {"b", true},
                                  {"s", "3"},
                                  {"n", nullptr},
                                  {"a", json::Array{1.0}}};
    EXPECT_EQ(numeric_reading(attributes, "u"), 7.0);
    EXPECT_EQ(numeric_reading(attributes, "i"), -7.0);
    EXPECT_EQ(numeric_reading(attributes, "d"), 0.5);
    for (const char* none : {"b", "s", "n", "a", "missing"}) {
        EXPECT_FALSE(numeric_reading(attributes, none).has_value()) << none;
    }
}

TEST(StoreNumber, FiniteAsDoubleOtherwiseNull) {
    EXPECT_EQ(store_number(2.0), json::Value(2.0));
    EXPECT_TRUE(std::holds_alternative<double>(store_number(2.0).data));
    EXPECT_TRUE(std::signbit(std::get<double>(store_number(-0.0).data)));
    for (const double bad : {kInf, -kInf, kNaN}) EXPECT_TRUE(store_number(bad).is_null());
}

}  // namespace
}  // namespace kestrova
