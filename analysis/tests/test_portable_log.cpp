#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "numeric/portable_log.hpp"

namespace kestrova {
namespace {

// Expected values are the exact logarithms rounded to nearest (computed with 60-digit
// decimal arithmetic). The first ten are integers where the x86-64 and 32-bit ARM C
// libraries give different last bits.
TEST(PortableLog, CorrectlyRounded) {
    const struct {
        double x;
        double log2;
        double log;
    } cases[] = {
        {83507.0, 0x1.0598002600057p+4, 0x1.6aa55c907600dp+3},
        {167014.0, 0x1.1598002600057p+4, 0x1.80d39f8f703acp+3},
        {334028.0, 0x1.2598002600057p+4, 0x1.9701e28e6a74bp+3},
        {420613.0, 0x1.2aea054084162p+4, 0x1.9e620ba8aa9a9p+3},
        {453501.0, 0x1.2ca6e57e810e9p+4, 0x1.a0cac649673c7p+3},
        {557433.0, 0x1.316a3ee4ec8e6p+4, 0x1.a76526c8f9f0ap+3},
        {277862.0, 0x1.215819d805d31p+4, 0x1.911dbc61c3609p+3},
        {1934514.0, 0x1.4e22fa90b28b4p+4, 0x1.cf36343473fbcp+3},
        {2831310.0, 0x1.56edb98e42403p+4, 0x1.db666686a27f7p+3},
        {3291060.0, 0x1.5a66e52bbc8f1p+4, 0x1.e0370d67bd3b6p+3},
        {3.0, 0x1.95c01a39fbd68p+0, 0x1.193ea7aad030bp+0},
        {10.0, 0x1.a934f0979a371p+1, 0x1.26bb1bbb55516p+1},
        {0.1, -0x1.a934f0979a371p+1, -0x1.26bb1bbb55515p+1},
        // Both ends of the reduced range and the neighbours of 1.
        {0.7071067811865476, -0x1.ffffffffffffep-2, -0x1.62e42fefa39eep-2},
        {1.4142135623730951, 0x1.0000000000001p-1, 0x1.62e42fefa39f0p-2},
        {1.0000000000000002, 0x1.71547652b82fdp-52, 0x1.fffffffffffffp-53},
        {0.9999999999999999, -0x1.71547652b82fep-53, -0x1.0000000000000p-53},
        // Subnormal, smallest normal, largest double.
        {5e-324, -0x1.0c80000000000p+10, -0x1.74385446d71c3p+9},
        {2.2250738585072014e-308, -0x1.ff00000000000p+9, -0x1.6232bdd7abcd2p+9},
        {1.7976931348623157e+308, 0x1.0000000000000p+10, 0x1.62e42fefa39efp+9},
        // Widths at the size type's limits and a continuous estimate.
        {4294967295.0, 0x1.ffffffffe8eacp+4, 0x1.62e42fef939efp+4},
        {18446744073709551615.0, 0x1.0000000000000p+6, 0x1.62e42fefa39efp+5},
        {10000000000.0, 0x1.09c1165ec0627p+5, 0x1.7069e2aa2aa5bp+4},
        {12345.678, 0x1.b2ef5b86e63d0p+3, 0x1.2d79559791e31p+3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(portable_log2(c.x), c.log2) << c.x;
        EXPECT_EQ(portable_log(c.x), c.log) << c.x;
    }
}

TEST(PortableLog, PowersOfTwoAreExact) {
    for (int e = -1074; e <= 1023; ++e) {
        const double x = std::ldexp(1.0, e);
        ASSERT_EQ(portable_log2(x), static_cast<double>(e)) << e;
    }
    EXPECT_EQ(portable_log(1.0), 0.0);
    EXPECT_FALSE(std::signbit(portable_log(1.0)));
}

TEST(PortableLog, SpecialValuesAsTheCLibrary) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    for (double (*fn)(double) : {portable_log2, portable_log}) {
        EXPECT_EQ(fn(0.0), -kInf);
        EXPECT_EQ(fn(-0.0), -kInf);
        EXPECT_EQ(fn(kInf), kInf);
        EXPECT_TRUE(std::isnan(fn(kNaN)));
        EXPECT_TRUE(std::isnan(fn(-1.0)));
        EXPECT_TRUE(std::isnan(fn(-kInf)));
        EXPECT_TRUE(std::isnan(fn(-5e-324)));
    }
}

// The C library is within about half an ulp, so the two may differ by one ulp at most.
TEST(PortableLog, WithinOneUlpOfTheCLibraryOnWidths) {
    for (std::uint32_t n = 1; n <= 70000; ++n) {
        const double x = n;
        const double mine = portable_log2(x);
        const double libm = std::log2(x);
        ASSERT_LE(std::fabs(mine - libm), std::fabs(std::nextafter(libm, 0.0) - libm)) << n;
        const double natural = portable_log(x);
        const double libm_natural = std::log(x);
        ASSERT_LE(std::fabs(natural - libm_natural),
                  std::fabs(std::nextafter(libm_natural, 0.0) - libm_natural))
            << n;
    }
}

}  // namespace
}  // namespace kestrova
