#include "computability.hpp"

#include <algorithm>

namespace kestrova {

namespace {

bool has_negative_action_cost(const VibeSchema& schema) {
    return std::any_of(schema.actions.begin(), schema.actions.end(), [](const ActionDefinition& a) {
        return std::any_of(a.cost.begin(), a.cost.end(),
                           [](const auto& entry) { return entry.second < 0.0; });
    });
}

}  // namespace

std::vector<AssumptionViolation> check_assumptions(const VibeSchema& schema) {
    std::vector<AssumptionViolation> violations;
    if (has_negative_action_cost(schema)) {
        violations.push_back({"Assumption 8.0.2 (Positive Monotonicity)",
                              "Negative costs detected \u2014 budget can increase along paths, "
                              "breaking monotone contraction (T4)",
                              true});
    }
    return violations;
}

}  // namespace kestrova
