#include "temporal.hpp"

#include <cmath>
#include <limits>

#include "numeric/portable_log.hpp"

namespace kestrova {

namespace {

// Natural-log narrowing between neighbours: 0 when the earlier width is empty (or NaN),
// +inf when only the later one is.
double log_ratio(double from, double to) {
    if (!(from > 0)) return 0.0;
    if (!(to > 0)) return std::numeric_limits<double>::infinity();
    return portable_log(from) - portable_log(to);
}

}  // namespace

TemporalReport TemporalConsistencyChecker::full_report(std::span<const WidthSample> samples) {
    TemporalReport report;
    if (samples.size() < 2) return report;

    double sum = -0.0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        const WidthSample& a = samples[i - 1];
        const WidthSample& b = samples[i];
        if (b.width > a.width + kIncreaseTolerance) {
            report.increases.push_back({a.width, b.width, b.width - a.width, a.t, b.t});
        }
        // Infinite terms (a collapse to zero) would swamp the sum; they are left out.
        const double term = log_ratio(a.width, b.width);
        if (std::isfinite(term)) sum += term;
    }

    const double first = samples.front().width;
    const double last = samples.back().width;
    if (first > 0 && last > 0) {
        const double expected = portable_log(first) - portable_log(last);
        report.residual = std::fabs(sum - expected);
        report.telescoping_ok = report.residual < kTelescopingTolerance;
    }
    report.consistent = report.increases.empty() && report.telescoping_ok;
    return report;
}

}  // namespace kestrova
