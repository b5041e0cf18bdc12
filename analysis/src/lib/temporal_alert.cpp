#include "lib/temporal_alert.hpp"

namespace kestrova {

TemporalFinding temporal_finding(const TemporalReport& report) {
    TemporalFinding finding;
    if (report.consistent) return finding;
    const std::string k = std::to_string(report.increases.size());
    finding.alert = SystemAlert{"temporal_inconsistency",
                                "Monotonicity violation detected in simulation timeline.",
                                "Found " + k + " structural inconsistencies (T24)."};
    finding.verdict_suffix = " [T24 ALERT: " + k + " monotonicity violation(s) detected]";
    return finding;
}

}  // namespace kestrova
