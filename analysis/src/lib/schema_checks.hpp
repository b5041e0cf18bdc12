// The checks that can end a run early, and the complexity score that picks the mode.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "vibe/result.hpp"
#include "vibe/schema.hpp"

namespace kestrova {

inline constexpr std::size_t kMaxEngineVariables = 8;
inline constexpr std::size_t kMaxEngineHorizon = 24;
inline constexpr double kDiscreteThreshold = 5000.0;

// The engine limits: the variable count first, then the horizon.
std::optional<std::string> limit_message(const VibeSchema& schema);

// Bounds and discretizations: variables in document order, then resources.
std::optional<std::string> validate_schema(const VibeSchema& schema);

double complexity_score(const VibeSchema& schema);

// Below the threshold Discrete, exactly at it Hybrid, above it (or NaN) Continuous.
ExecutionMode mode_for_score(double score);

}  // namespace kestrova
