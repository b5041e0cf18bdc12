#include "lib/timeline.hpp"

#include <cmath>
#include <limits>

#include "lib/float_order.hpp"
#include "numeric/portable_log.hpp"

namespace kestrova {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Narrowing beyond this many bits adds no further risk.
constexpr double kMaxCountedNarrowing = 10.0;
constexpr double kMaxRiskSpike = 100.0;
constexpr double kEstimateConfidence = 0.95;

struct StepQuality {
    std::size_t width = 0;
    TrustLevel trust = TrustLevel::High;
    double confidence = 1.0;
    double error = 0.0;
};

const char* status_for(std::size_t width) {
    if (width == 0) return "collapsed";
    if (width <= 5) return "critical";
    if (width <= 20) return "narrowing";
    return "safe";
}

double narrowing_bits(std::size_t previous, std::size_t width) {
    if (previous == 0) return 0.0;
    if (width == 0) return kInfinity;
    return portable_log2(static_cast<double>(previous)) - portable_log2(static_cast<double>(width));
}

}  // namespace

double step_budget(double budget, std::size_t t, std::size_t horizon) {
    // Scaling an infinite budget would give NaN at t = H (inf * 0).
    if (std::isinf(budget)) return budget;
    if (horizon == 0) return budget;
    return budget * (1.0 - static_cast<double>(t) / static_cast<double>(horizon));
}

std::size_t width_from_estimate(double estimate) {
    if (!(estimate > 0)) return 0;
    // 2^64 (or 2^32) as a double: the first value that no longer fits.
    constexpr double kLimit =
        static_cast<double>(std::numeric_limits<std::size_t>::max() / 2 + 1) * 2.0;
    if (estimate >= kLimit) return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(estimate);
}

TimelineWalk walk_timeline(const TimelineInputs& in, const StepWidthSources& sources) {
    TimelineWalk walk;
    double confidence = in.seed_confidence;
    double epsilon = in.seed_epsilon;
    TrustLevel trust = in.initial_trust;
    double thickness_sum = 0.0;
    double peak_risk = 0.0;
    std::size_t previous = in.initial_width;

    const bool has_variables = in.model != nullptr && !in.model->names.empty();
    const bool has_planes = in.model != nullptr && !in.model->planes.empty();
    std::optional<VolumeEstimate> estimate;
    std::optional<std::optional<std::string>> root_cause;

    walk.steps.reserve(in.horizon + 1);
    walk.widths.reserve(in.horizon + 1);
    for (std::size_t t = 0; t <= in.horizon; ++t) {
        const double b = step_budget(in.budget, t, in.horizon);
        StepQuality q;
        if (b <= 0) {
            // Nothing affordable: an exact zero.
        } else if (in.mode == ExecutionMode::Continuous) {
            if (has_variables) {
                if (!estimate) estimate = sources.volume_estimate();
                q = {width_from_estimate(estimate->estimate), estimate->trust, kEstimateConfidence,
                     estimate->half_width};
            }
        } else {
            q.width = sources.reachable_width(b);
        }
        const std::size_t w = q.width;

        confidence = min_ignoring_nan(confidence, q.confidence);
        epsilon = max_ignoring_nan(epsilon, q.error);
        if (q.trust < trust) trust = q.trust;

        const double narrowing = narrowing_bits(previous, w);
        const double ratio = in.initial_width == 0
                                 ? 0.0
                                 : static_cast<double>(w) / static_cast<double>(in.initial_width);
        TimelineStep step;
        step.t = t;
        step.future_width = w;
        step.thickness =
            std::isfinite(in.thickness) ? max_ignoring_nan(in.thickness * ratio, 0.0) : ratio;
        step.risk_spike =
            std::isfinite(narrowing) && narrowing > 0
                ? min_ignoring_nan(
                      in.geometric_ratio * min_ignoring_nan(narrowing, kMaxCountedNarrowing),
                      kMaxRiskSpike)
                : 0.0;
        step.goal_distance = in.goal_fraction;
        if (!walk.goal_reached_at && in.goal_fraction >= 1.0) walk.goal_reached_at = t;
        if (!walk.point_of_no_return && w == 0) walk.point_of_no_return = t;
        step.status = status_for(w);
        step.entropy = w > 0 ? portable_log2(static_cast<double>(w)) : 0.0;
        if (w < in.initial_width && has_variables && has_planes) {
            // The model does not change within a run, so neither does the answer.
            if (!root_cause) root_cause = nearest_bound_variable(*in.model);
            if (*root_cause) {
                step.dominant_root_cause = **root_cause;
                std::size_t* count = walk.sensitivity.primary_culprits.find(**root_cause);
                if (count) {
                    ++*count;
                } else {
                    walk.sensitivity.primary_culprits.assign(**root_cause, 1);
                }
            }
        }
        step.is_on_recommended_path = false;

        walk.widths.push_back({static_cast<double>(w), t});
        thickness_sum += step.thickness;
        peak_risk = max_ignoring_nan(peak_risk, step.risk_spike);
        previous = w;
        walk.steps.push_back(std::move(step));
    }

    walk.error_bounds = {epsilon, confidence};
    walk.trust_level = trust;
    walk.sensitivity.mean_thickness = thickness_sum / static_cast<double>(in.horizon + 1);
    walk.sensitivity.peak_fragility = peak_risk;
    return walk;
}

Verdict verdict_for(std::size_t initial_width) {
    if (initial_width == 0) {
        return {"impossible",
                "Goal is structurally unreachable. Expand action space or relax constraints."};
    }
    if (initial_width <= 5) {
        return {
            "possible",
            "Critically constrained \u2014 narrow corridor detected (T14). Urgent: reduce scope "
            "or add resources."};
    }
    if (initial_width <= 20) {
        return {"possible",
                "Low optionality. Recommend diversifying available actions (T9 < threshold)."};
    }
    return {"possible", "Trajectory is stable. Maintain current action plan."};
}

}  // namespace kestrova
