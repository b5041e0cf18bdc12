// Checks a finished timeline: widths must never grow from one step to the next, and
// the step-by-step log narrowing must add up to the first-to-last narrowing.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace kestrova {

struct WidthSample {
    double width = 0.0;
    std::size_t t = 0;
};

struct WidthIncrease {
    double from_width = 0.0;
    double to_width = 0.0;
    double delta = 0.0;
    std::size_t from_t = 0;
    std::size_t to_t = 0;
};

struct TemporalReport {
    double residual = 0.0;
    std::vector<WidthIncrease> increases;
    bool telescoping_ok = true;
    bool consistent = true;
};

class TemporalConsistencyChecker {
  public:
    // Growth above this is an increase; smaller steps are rounding noise.
    static constexpr double kIncreaseTolerance = 1e-10;
    static constexpr double kTelescopingTolerance = 1e-6;

    static TemporalReport full_report(std::span<const WidthSample> samples);
};

}  // namespace kestrova
