// The local analysis pipeline.
#pragma once

#include <optional>

#include "vibe/result.hpp"
#include "vibe/schema.hpp"

namespace kestrova {

// Never fails: limit and validation failures come back as an "invalid_schema" result.
SimulationResult simulate(VibeSchema schema, std::optional<double> budget);

}  // namespace kestrova
