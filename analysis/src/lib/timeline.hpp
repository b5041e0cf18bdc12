// The walk over the horizon with a shrinking budget, and the verdict.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "approximation/polytope/polytope.hpp"
#include "approximation/polytope/volume_estimate.hpp"
#include "temporal.hpp"
#include "vibe/result.hpp"

namespace kestrova {

struct TimelineInputs {
    double budget = 0.0;  // effective budget B
    std::size_t horizon = 0;
    ExecutionMode mode = ExecutionMode::Discrete;
    std::size_t initial_width = 0;  // W0
    double goal_fraction = 0.0;
    double thickness = 1.0;        // polytope thickness T
    double geometric_ratio = 0.0;  // G
    double seed_epsilon = 0.0;
    double seed_confidence = 1.0;
    TrustLevel initial_trust = TrustLevel::High;
    const PolytopeModel* model = nullptr;
};

// What a step needs from outside: the exact width for a step budget (discrete and
// hybrid modes) and the volume estimate (continuous mode; it does not depend on the
// budget, so it is asked for at most once).
struct StepWidthSources {
    std::function<std::size_t(double)> reachable_width;
    std::function<VolumeEstimate()> volume_estimate;
};

struct TimelineWalk {
    std::vector<TimelineStep> steps;
    std::optional<std::size_t> point_of_no_return;
    std::optional<std::size_t> goal_reached_at;
    TrustLevel trust_level = TrustLevel::High;
    ErrorBounds error_bounds;
    SensitivityReport sensitivity;
    std::vector<WidthSample> widths;  // for the temporal check
};

// Budget of step t: B scaled by the time left; an infinite B stays +inf and a
// -inf B stays -inf (nothing is ever affordable).
double step_budget(double budget, std::size_t t, std::size_t horizon);

// E truncated toward zero into a size; negative or NaN gives 0, too large the maximum.
std::size_t width_from_estimate(double estimate);

TimelineWalk walk_timeline(const TimelineInputs& in, const StepWidthSources& sources);

struct Verdict {
    std::string word;
    std::string recommendation;
};

Verdict verdict_for(std::size_t initial_width);

}  // namespace kestrova
