// Larger/smaller of two doubles with -0.0 below +0.0 and a NaN operand ignored
// (the other operand wins), so clamps and running extremes never pick up a NaN.
#pragma once

#include <cmath>

namespace kestrova {

inline double max_ignoring_nan(double a, double b) {
    if (std::isnan(a)) return b;
    if (std::isnan(b)) return a;
    if (a == b) return std::signbit(a) ? b : a;
    return a > b ? a : b;
}

inline double min_ignoring_nan(double a, double b) {
    if (std::isnan(a)) return b;
    if (std::isnan(b)) return a;
    if (a == b) return std::signbit(a) ? a : b;
    return a < b ? a : b;
}

}  // namespace kestrova
