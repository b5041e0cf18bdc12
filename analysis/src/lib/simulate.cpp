#include "lib/simulate.hpp"

namespace kestrova {

// Placeholder until the pipeline lands.
SimulationResult simulate(VibeSchema, std::optional<double>) { return {}; }

}  // namespace kestrova
