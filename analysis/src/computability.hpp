// Modelling assumptions the analysis relies on, and the check that finds broken ones.
#pragma once

#include <string>
#include <vector>

#include "vibe/schema.hpp"

namespace kestrova {

struct AssumptionViolation {
    std::string assumption;
    std::string explanation;
    bool critical = false;
};

// At most one violation per assumption, however often it is broken.
std::vector<AssumptionViolation> check_assumptions(const VibeSchema& schema);

}  // namespace kestrova
