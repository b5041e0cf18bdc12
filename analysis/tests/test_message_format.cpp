#include <gtest/gtest.h>

#include <limits>

#include "lib/message_format.hpp"

namespace kestrova {
namespace {

TEST(MessageNumber, ShortestPositional) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {5.0, "5"},
        {0.5, "0.5"},
        {-2.0, "-2"},
        {0.25, "0.25"},
        {-0.0, "-0"},
        {0.0, "0"},
        {1e21, "1000000000000000000000"},
        {1e-7, "0.0000001"},
        {0.1, "0.1"},
        {123456.789, "123456.789"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
    };
    for (const auto& c : cases) EXPECT_EQ(message_number(c.value), c.text) << c.text;
    EXPECT_EQ(message_number(std::numeric_limits<double>::max()).size(), 309u);
    EXPECT_EQ(message_number(std::numeric_limits<double>::denorm_min()).size(), 326u);
}

TEST(OneDecimal, FixedPoint) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {5760.0, "5760.0"},
        {123456.78, "123456.8"},
        {5000.0, "5000.0"},
        {4999.95, "4999.9"},  // the double lies below the half
        {4999.96, "5000.0"},
        {1e20, "100000000000000000000.0"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
        {std::numeric_limits<double>::infinity(), "inf"},
    };
    for (const auto& c : cases) EXPECT_EQ(one_decimal(c.value), c.text) << c.text;
}

}  // namespace
}  // namespace kestrova
