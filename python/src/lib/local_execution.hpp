// The local analysis behind simulate_local: caps, a copy to the pipeline, the text.
#pragma once

#include <optional>

#include "call_outcome.hpp"
#include "vibe/schema.hpp"

namespace kestrova {

CallOutcome run_local(const VibeSchema& schema, std::optional<double> budget);

}  // namespace kestrova
