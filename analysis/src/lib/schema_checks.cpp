#include "lib/schema_checks.hpp"

#include <cmath>

#include "lib/float_order.hpp"
#include "lib/message_format.hpp"

namespace kestrova {

namespace {

std::string min_max_message(const char* kind, const std::string& name, double min, double max) {
    return std::string(kind) + " '" + name + "': min (" + message_number(min) +
           ") must be < max (" + message_number(max) + ")";
}

}  // namespace

std::optional<std::string> limit_message(const VibeSchema& schema) {
    if (schema.variables.size() > kMaxEngineVariables) return std::string();
    if (schema.time.horizon > kMaxEngineHorizon) {
        return std::string(
            "Simulation horizon (max 24) exceeded. Please upgrade to the Hosted API for "
            "long-range planning.");
    }
    return std::nullopt;
}

std::optional<std::string> validate_schema(const VibeSchema& schema) {
    for (const auto& [name, v] : schema.variables) {
        if (v.min && v.max && !(*v.min < *v.max)) {
            return min_max_message("Variable", name, *v.min, *v.max);
        }
        if (v.discretization <= 0) {
            return "Variable '" + name + "': discretization must be > 0, got " +
                   message_number(v.discretization);
        }
    }
    for (const auto& [name, r] : schema.resources) {
        if (r.max && !(r.min < *r.max)) return min_max_message("Resource", name, r.min, *r.max);
        if (r.initial < r.min) {
            return "Resource '" + name + "': initial value " + message_number(r.initial) +
                   " < min bound " + message_number(r.min);
        }
    }
    return std::nullopt;
}

double complexity_score(const VibeSchema& schema) {
    double product = 1.0;
    for (const auto& [name, v] : schema.variables) {
        const double cardinality =
            v.min && v.max ? max_ignoring_nan(1.0, std::ceil((*v.max - *v.min) / v.discretization))
                           : 100.0;
        product *= cardinality;
    }
    const auto n = static_cast<double>(schema.variables.size());
    const auto horizon = static_cast<double>(schema.time.horizon);
    return (1.0 + n * 0.2) * (product * horizon);
}

ExecutionMode mode_for_score(double score) {
    if (score < kDiscreteThreshold) return ExecutionMode::Discrete;
    if (score == kDiscreteThreshold) return ExecutionMode::Hybrid;
    return ExecutionMode::Continuous;
}

}  // namespace kestrova
