// The simulation result records.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "vibe/named_map.hpp"

namespace kestrova {

enum class ExecutionMode : unsigned char { Discrete, Hybrid, Continuous };
// Ordered High < Medium < Low; "better" means lower.
enum class TrustLevel : unsigned char { High, Medium, Low };

struct TimelineStep {
    std::size_t t = 0;
    std::size_t future_width = 0;
    double thickness = 0.0;
    double risk_spike = 0.0;
    double goal_distance = 0.0;
    bool is_on_recommended_path = false;
    double entropy = 0.0;
    std::optional<std::string> dominant_root_cause;
    std::string status;
};

struct SystemAlert {
    std::string type;
    std::string message;
    std::optional<std::string> detail;
};

struct ErrorBounds {
    double epsilon = 0.0;
    double confidence = 1.0;
};

struct SensitivityReport {
    NamedMap<std::size_t> primary_culprits;  // member order is not part of the contract
    double mean_thickness = 0.0;
    double peak_fragility = 0.0;
};

struct SimulationResult {
    std::vector<TimelineStep> timeline;
    std::optional<std::size_t> point_of_no_return;
    std::optional<std::size_t> goal_reached_at;
    std::optional<std::vector<std::string>> recommended_path;
    bool is_approximate = false;
    std::string verdict;
    std::string recommendation;
    ExecutionMode calculation_mode = ExecutionMode::Discrete;
    TrustLevel trust_level = TrustLevel::High;
    ErrorBounds error_bounds;
    std::vector<SystemAlert> alerts;
    std::optional<SensitivityReport> sensitivity_report;
};

}  // namespace kestrova
