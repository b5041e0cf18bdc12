// A small valid scenario document, one root member per line, for tests that
// change one member and check what the reader or writer makes of it.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace kestrova::testing {

// Line numbers (1-based) of the root members in kScenarioLines.
enum ScenarioLine : std::size_t {
    kVersionLine = 1,
    kMetadataLine,
    kTimeLine,
    kResourcesLine,
    kVariablesLine,
    kActionsLine,
    kTransitionsLine,
    kConstraintsLine,
    kGoalLine,
};

inline constexpr std::array<std::string_view, 9> kScenarioLines{
    R"({"version": "1.0",)",
    R"("metadata": {"name": "demo", "description": "a test"},)",
    R"("time": {"type": "discrete", "horizon": 3},)",
    R"("resources": {"energy": {"initial": 10, "min": 0, "max": 20}},)",
    R"("variables": {"x": {"type": "int", "initial": 0, "min": 0, "max": 5, "discretization": 1}},)",
    R"("actions": [{"name": "step", "cost": {"energy": 1}, "effects": {"x": {"op": "add", "value": 1}}, "preconditions": ["x < 5"]}],)",
    R"("transitions": [{"name": "decay", "type": "recurring", "priority": 1, "condition": "x > 0", "effects": {"x": {"op": "decrement", "value": 0.5}}}],)",
    R"("constraints": [{"type": "threshold", "mode": "hard", "variable": "x", "operator": "lte", "value": 5}],)",
    R"("goal": {"type": "threshold", "conditions": [{"variable": "x", "operator": "gte", "value": 3}]}})",
};

// The document with the given line replaced (its trailing comma included).
inline std::string scenario_with(std::size_t line, std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < kScenarioLines.size(); ++i) {
        if (i > 0) out += '\n';
        out += i + 1 == line ? text : kScenarioLines[i];
    }
    return out;
}

inline std::string scenario_text() {
    return scenario_with(0, {});
}

}  // namespace kestrova::testing
