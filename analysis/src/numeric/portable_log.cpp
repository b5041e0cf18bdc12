#include "numeric/portable_log.hpp"

#include <array>
#include <cmath>
#include <limits>

namespace kestrova {

namespace {

// An unevaluated sum hi + lo with |lo| <= ulp(hi) / 2: about 106 bits of precision
// from ordinary double operations (contraction is off, so nothing is fused).
struct DoubleDouble {
    double hi;
    double lo;
};

constexpr DoubleDouble quick_two_sum(double a, double b) {  // needs |a| >= |b|
    const double s = a + b;
    return {s, b - (s - a)};
}

constexpr DoubleDouble two_sum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// Dekker's split and product: exact for the magnitudes used here.
constexpr DoubleDouble split(double a) {
    const double c = 134217729.0 * a;  // 2^27 + 1
    const double hi = c - (c - a);
    return {hi, a - hi};
}

constexpr DoubleDouble two_prod(double a, double b) {
    const double p = a * b;
    const DoubleDouble x = split(a);
    const DoubleDouble y = split(b);
    return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

constexpr DoubleDouble add(DoubleDouble x, DoubleDouble y) {
    DoubleDouble s = two_sum(x.hi, y.hi);
    const DoubleDouble t = two_sum(x.lo, y.lo);
    s.lo += t.hi;
    s = quick_two_sum(s.hi, s.lo);
    s.lo += t.lo;
    return quick_two_sum(s.hi, s.lo);
}

constexpr DoubleDouble mul(DoubleDouble x, DoubleDouble y) {
    DoubleDouble p = two_prod(x.hi, y.hi);
    p.lo += x.hi * y.lo + x.lo * y.hi;
    return quick_two_sum(p.hi, p.lo);
}

constexpr DoubleDouble sub(DoubleDouble x, DoubleDouble y) {
    return add(x, {-y.hi, -y.lo});
}

constexpr DoubleDouble div(DoubleDouble x, DoubleDouble y) {
    const double q1 = x.hi / y.hi;
    DoubleDouble r = sub(x, mul({q1, 0.0}, y));
    const double q2 = r.hi / y.hi;
    r = sub(r, mul({q2, 0.0}, y));
    const double q3 = r.hi / y.hi;
    return add(quick_two_sum(q1, q2), {q3, 0.0});
}

// ln 2 and 1 / ln 2 to 106 bits.
constexpr DoubleDouble kLn2{0x1.62e42fefa39efp-1, 0x1.abc9e3b39803fp-56};
constexpr DoubleDouble kInvLn2{0x1.71547652b82fep+0, 0x1.777d0ffda0d24p-56};

// ln m = 2 atanh(s) = 2 (s + s^3/3 + s^5/5 + ...) with s = (m - 1) / (m + 1). For m in
// [sqrt(1/2), sqrt(2)) s^2 < 0.0295, so 23 terms reach below 2^-112.
constexpr int kTerms = 23;
constexpr std::array<DoubleDouble, kTerms> kOddReciprocals = [] {
    std::array<DoubleDouble, kTerms> table{};
    for (int k = 0; k < kTerms; ++k) table[k] = div({1.0, 0.0}, {2.0 * k + 1.0, 0.0});
    return table;
}();

// x = 2^exponent * m with m in [sqrt(1/2), sqrt(2)); returns ln m.
DoubleDouble reduced_log(double x, int& exponent) {
    double m = std::frexp(x, &exponent);  // m in [0.5, 1)
    if (m < 0x1.6a09e667f3bcdp-1) {       // sqrt(1/2)
        m *= 2.0;
        --exponent;
    }
    // m - 1 is exact for m in [0.5, 2]; m + 1 is kept exactly as a pair.
    const DoubleDouble s = div({m - 1.0, 0.0}, two_sum(m, 1.0));
    const DoubleDouble s2 = mul(s, s);
    DoubleDouble series = kOddReciprocals[kTerms - 1];
    for (int k = kTerms - 2; k >= 0; --k) series = add(mul(series, s2), kOddReciprocals[k]);
    const DoubleDouble half = mul(s, series);
    return {2.0 * half.hi, 2.0 * half.lo};
}

// NaN, negative, zero and infinite arguments, as the C library gives them.
bool special_value(double x, double& out) {
    if (std::isnan(x) || x < 0.0) {
        out = std::numeric_limits<double>::quiet_NaN();
    } else if (x == 0.0) {
        out = -std::numeric_limits<double>::infinity();
    } else if (std::isinf(x)) {
        out = x;
    } else {
        return false;
    }
    return true;
}

}  // namespace

double portable_log2(double x) {
    double special = 0.0;
    if (special_value(x, special)) return special;
    int exponent = 0;
    const DoubleDouble ln_m = reduced_log(x, exponent);
    // The exponent is exact; the pair's high part is the sum rounded to nearest.
    return add({static_cast<double>(exponent), 0.0}, mul(ln_m, kInvLn2)).hi;
}

double portable_log(double x) {
    double special = 0.0;
    if (special_value(x, special)) return special;
    int exponent = 0;
    const DoubleDouble ln_m = reduced_log(x, exponent);
    return add(mul({static_cast<double>(exponent), 0.0}, kLn2), ln_m).hi;
}

}  // namespace kestrova
