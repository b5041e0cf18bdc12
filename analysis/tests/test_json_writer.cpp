#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "json/writer.hpp"

namespace kestrova::json {
namespace {

std::string double_text(double value) {
    std::string out;
    append_double(out, value);
    return out;
}

TEST(JsonWriter, DoubleForms) {
    struct Case {
        double value;
        const char* text;
    };
    const std::vector<Case> cases = {
        {0.0, "0.0"},
        {-0.0, "-0.0"},
        {2.0, "2.0"},
        {5.0, "5.0"},
        {-3.25, "-3.25"},
        {0.1, "0.1"},
        {123456.789, "123456.789"},
        {1e15, "1000000000000000.0"},
        {1.5e15, "1500000000000000.0"},
        {9.999999999999998e15, "9999999999999998.0"},
        {1e16, "1e+16"},
        {1.25e16, "1.25e+16"},
        {1e-5, "0.00001"},
        {1.5e-5, "0.000015"},
        {-1e-5, "-0.00001"},
        {1e-6, "1e-6"},
        {1.5e-7, "1.5e-7"},
        {-1.5e-7, "-1.5e-7"},
        {1e300, "1e+300"},
        {5e-324, "5e-324"},
        {std::numeric_limits<double>::max(), "1.7976931348623157e+308"},
        {std::numeric_limits<double>::quiet_NaN(), "null"},
        {std::numeric_limits<double>::infinity(), "null"},
        {-std::numeric_limits<double>::infinity(), "null"},
    };
    for (const Case& c : cases) EXPECT_EQ(double_text(c.value), c.text) << c.text;
}

// Any finite double written and read back is the same double, bit for bit.
TEST(JsonWriter, DoublesRoundTrip) {
    std::mt19937_64 bits(20240611);
    for (int i = 0; i < 200000; ++i) {
        std::uint64_t pattern = bits();
        double value;
        std::memcpy(&value, &pattern, sizeof value);
        if (!std::isfinite(value)) continue;
        const std::string text = double_text(value);
        double back = 0.0;
        const auto res = std::from_chars(text.data(), text.data() + text.size(), back);
        ASSERT_EQ(res.ec, std::errc()) << text;
        ASSERT_EQ(res.ptr, text.data() + text.size()) << text;
        std::uint64_t back_pattern;
        std::memcpy(&back_pattern, &back, sizeof back);
        ASSERT_EQ(back_pattern, pattern) << text;
    }
}

TEST(JsonWriter, StringEscapes) {
    struct Case {
        std::string text;
        std::string written;
    };
    const std::vector<Case> cases = {
        {"plain", R"("plain")"},
        {"", R"("")"},
        {"q\"b\\s/", R"("q\"b\\s/")"},
        {"\b\t\n\f\r", R"("\b\t\n\f\r")"},
        {std::string("\0\x01\x1f", 3), R"("\u0000\u0001\u001f")"},
        {"\x7f", "\"\x7f\""},
        {"caf\xc3\xa9 \xf0\x9f\x98\x80", "\"caf\xc3\xa9 \xf0\x9f\x98\x80\""},
    };
    for (const Case& c : cases) {
        std::string out;
        append_string(out, c.text);
        EXPECT_EQ(out, c.written);
    }
}

TEST(JsonWriter, Integers) {
    std::string out;
    append_unsigned(out, 0);
    out += ' ';
    append_unsigned(out, std::numeric_limits<std::uint64_t>::max());
    out += ' ';
    append_signed(out, std::numeric_limits<std::int64_t>::min());
    out += ' ';
    append_signed(out, -3);
    EXPECT_EQ(out, "0 18446744073709551615 -9223372036854775808 -3");
}

TEST(JsonWriter, CompactValuesWithSortedMembers) {
    const Value value(Object{
        {"b", Value(Array{Value(nullptr), Value(true), Value(false), Value(std::uint64_t{3}),
                          Value(std::int64_t{-4}), Value(3.0), Value("s")})},
        {"B", Value(Object{})},
        {"a_b", Value(Array{})},
        {"a", Value(Object{{"\xc3\xa9", Value(1.5)}, {"z", Value(nullptr)}})},
    });
    EXPECT_EQ(to_compact(value),
              R"({"B":{},"a":{"z":null,"é":1.5},"a_b":[],"b":[null,true,false,3,-4,3.0,"s"]})");
}

}  // namespace
}  // namespace kestrova::json
