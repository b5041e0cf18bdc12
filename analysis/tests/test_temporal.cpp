#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "temporal.hpp"

namespace kestrova {
namespace {

std::vector<WidthSample> samples(std::initializer_list<double> widths) {
    std::vector<WidthSample> out;
    std::size_t t = 0;
    for (double w : widths) out.push_back({w, t++});
    return out;
}

TEST(TemporalConsistency, Table) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* name;
        std::vector<WidthSample> input;
        std::size_t increases;
        bool telescoping_ok;
        bool consistent;
        double residual;  // NaN: only checked to be small
    } cases[] = {
        {"empty", {}, 0, true, true, 0.0},
        {"single", samples({7}), 0, true, true, 0.0},
        {"shrinking to zero", samples({10, 10, 4, 0}), 0, true, true, 0.0},
        {"growth", samples({4, 6}), 1, true, false, nan},
        {"collapse then regrowth", samples({10, 0, 5}), 1, false, false,
         std::log(10.0) - std::log(5.0)},
        {"growth of 1e-11 ignored", samples({1, 1 + 1e-11}), 0, true, true, nan},
        {"growth of 1e-9 counted", samples({1, 1 + 1e-9}), 1, true, false, nan},
        {"steady", samples({5, 5, 5}), 0, true, true, 0.0},
        {"NaN width records nothing", samples({5, nan, 3}), 0, false, false,
         std::log(5.0) - std::log(3.0)},
    };
    for (const auto& c : cases) {
        const TemporalReport r = TemporalConsistencyChecker::full_report(c.input);
        EXPECT_EQ(r.increases.size(), c.increases) << c.name;
        EXPECT_EQ(r.telescoping_ok, c.telescoping_ok) << c.name;
        EXPECT_EQ(r.consistent, c.consistent) << c.name;
        if (!std::isnan(c.residual)) {
            EXPECT_NEAR(r.residual, c.residual, 1e-12) << c.name;
        } else if (c.telescoping_ok) {
            EXPECT_LT(r.residual, 1e-6) << c.name;
        }
    }
}

TEST(TemporalConsistency, IncreaseRecordsBothEnds) {
    std::vector<WidthSample> in = {{4, 3}, {6, 4}, {2, 5}, {9, 6}};
    const TemporalReport r = TemporalConsistencyChecker::full_report(in);
    ASSERT_EQ(r.increases.size(), 2u);
    EXPECT_EQ(r.increases[0].from_width, 4);
    EXPECT_EQ(r.increases[0].to_width, 6);
    EXPECT_EQ(r.increases[0].delta, 2);
    EXPECT_EQ(r.increases[0].from_t, 3u);
    EXPECT_EQ(r.increases[0].to_t, 4u);
    EXPECT_EQ(r.increases[1].from_t, 5u);
    EXPECT_EQ(r.increases[1].to_t, 6u);
    EXPECT_EQ(r.increases[1].delta, 7);
}

}  // namespace
}  // namespace kestrova
