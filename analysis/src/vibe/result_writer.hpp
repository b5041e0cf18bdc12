// The result document as compact JSON text.
#pragma once

#include <string>

#include "vibe/result.hpp"

namespace kestrova {

// Cannot fail for these value kinds; may throw std::bad_alloc.
std::string write_result(const SimulationResult& result);

}  // namespace kestrova
