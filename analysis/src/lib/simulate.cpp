#include "lib/simulate.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "approximation/polytope/polytope.hpp"
#include "approximation/polytope/volume_estimate.hpp"
#include "computability.hpp"
#include "lib/message_format.hpp"
#include "lib/reachable_width.hpp"
#include "lib/result_names.hpp"
#include "lib/schema_checks.hpp"
#include "lib/temporal_alert.hpp"
#include "lib/timeline.hpp"
#include "reachability/core/initial_state_search.hpp"
#include "temporal.hpp"
#include "vibe/compiler.hpp"
#include "vibe/compiler_graph.hpp"

namespace kestrova {

namespace {

constexpr double kGoalTolerance = 1e-6;

struct ModeSeed {
    double epsilon;
    double confidence;
    TrustLevel trust;
};

ModeSeed seed_for(ExecutionMode mode) {
    switch (mode) {
        case ExecutionMode::Discrete:
            return {0.0, 1.0, TrustLevel::High};
        case ExecutionMode::Hybrid:
            return {0.05, 0.99, TrustLevel::Medium};
        case ExecutionMode::Continuous:
            return {0.15, 0.95, TrustLevel::Low};
    }
    return {0.0, 1.0, TrustLevel::High};
}

SimulationResult rejection(const std::string& message) {
    SimulationResult r;
    r.point_of_no_return = 0;
    r.verdict = "invalid_schema";
    r.recommendation = "Schema error: " + message;
    r.calculation_mode = ExecutionMode::Discrete;
    r.trust_level = TrustLevel::High;
    r.error_bounds = {0.0, 1.0};
    return r;
}

double effective_budget(const VibeSchema& schema, std::optional<double> budget) {
    if (budget) return *budget;
    if (!schema.resources.empty()) return schema.resources.front().second.initial;
    return std::numeric_limits<double>::infinity();
}

bool condition_holds(const AttributeMap& attributes, const GoalCondition& c) {
    auto it = attributes.find(c.variable);
    if (it == attributes.end() || !it->second.is_number()) return false;
    const double a = it->second.as_double();
    switch (c.op) {
        case Operator::Eq:
            return std::fabs(a - c.value) < kGoalTolerance;
        case Operator::Gt:
            return a > c.value;
        case Operator::Lt:
            return a < c.value;
        case Operator::Gte:
            return a >= c.value;
        case Operator::Lte:
            return a <= c.value;
    }
    return false;
}

double goal_fraction(const GoalDefinition& goal, const AttributeMap& initial) {
    if (goal.conditions.empty()) return 1.0;
    const auto held =
        std::count_if(goal.conditions.begin(), goal.conditions.end(),
                      [&](const GoalCondition& c) { return condition_holds(initial, c); });
    return static_cast<double>(held) / static_cast<double>(goal.conditions.size());
}

std::vector<std::string> sorted_variable_names(const NamedMap<VariableDefinition>& variables) {
    std::vector<std::string> names;
    names.reserve(variables.size());
    for (const auto& entry : variables) names.push_back(entry.first);
    std::sort(names.begin(), names.end());
    return names;
}

SystemAlert high_complexity_alert(double score, ExecutionMode mode) {
    return {"high_complexity",
            "Performance Scaling Activated: Transitioning to geometric volume estimation (T21).",
            "Complexity score (" + one_decimal(score) +
                ") exceeds discrete threshold (5000). Switched to " +
                std::string(execution_mode_name(mode)) +
                " mode to preserve strategic intelligence performance."};
}

}  // namespace

SimulationResult simulate(VibeSchema schema, std::optional<double> budget) {
    if (auto message = limit_message(schema)) return rejection(*message);
    if (auto message = validate_schema(schema)) return rejection(*message);

    const double score = complexity_score(schema);
    const ExecutionMode mode = mode_for_score(score);
    const ModeSeed seed = seed_for(mode);

    SimulationResult result;
    for (const AssumptionViolation& v : check_assumptions(schema)) {
        if (v.critical) {
            result.alerts.push_back({"unsound_system", v.assumption, v.explanation});
            break;
        }
    }
    if (mode != ExecutionMode::Discrete)
        result.alerts.push_back(high_complexity_alert(score, mode));

    // Only the number of states reachable from the start is wanted, so the
    // scenario compiles to the bare graph; its initial state is the start.
    const InitialStateSearch search(compile_state_graph(schema));
    const AttributeMap initial = get_initial_attributes(schema.variables);
    const double b = effective_budget(schema, budget);

    const std::vector<std::string> names = sorted_variable_names(schema.variables);
    const PolytopeModel model = build_polytope(names, schema.variables, schema.constraints);

    // Continuous mode needs one width only; the other modes need one per step.
    std::optional<ReachableWidth> widths;
    std::size_t initial_width = 0;
    if (mode == ExecutionMode::Continuous) {
        initial_width = search.count_reachable(b);
    } else {
        widths.emplace(search);
        initial_width = widths->count(b);
    }

    TimelineInputs in;
    in.budget = b;
    in.horizon = schema.time.horizon;
    in.mode = mode;
    in.initial_width = initial_width;
    in.goal_fraction = goal_fraction(schema.goal, initial);
    in.thickness = polytope_thickness(model);
    in.geometric_ratio = geometric_ratio(model);
    in.seed_epsilon = seed.epsilon;
    in.seed_confidence = seed.confidence;
    in.initial_trust = seed.trust;
    in.model = &model;

    StepWidthSources sources;
    sources.reachable_width = [&](double step) {
        return widths ? widths->count(step) : search.count_reachable(step);
    };
    sources.volume_estimate = [&] {
        return estimate_volume(model.planes, make_estimator_tables(schema.variables), names);
    };
    TimelineWalk walk = walk_timeline(in, sources);

    TemporalFinding temporal =
        temporal_finding(TemporalConsistencyChecker::full_report(walk.widths));
    if (temporal.alert) result.alerts.push_back(std::move(*temporal.alert));
    Verdict verdict = verdict_for(initial_width);

    result.timeline = std::move(walk.steps);
    result.point_of_no_return = walk.point_of_no_return;
    result.goal_reached_at = walk.goal_reached_at;
    result.is_approximate = mode == ExecutionMode::Continuous;
    result.verdict = std::move(verdict.word) + temporal.verdict_suffix;
    result.recommendation = std::move(verdict.recommendation);
    result.calculation_mode = mode;
    result.trust_level = walk.trust_level;
    result.error_bounds = walk.error_bounds;
    result.sensitivity_report = std::move(walk.sensitivity);
    return result;
}

}  // namespace kestrova
