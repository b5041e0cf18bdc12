#include "vibe/result_writer.hpp"

#include <stdexcept>

namespace kestrova {

// Placeholder until the result writer lands.
std::string write_result(const SimulationResult&) {
    throw std::runtime_error("local analysis is not built yet");
}

}  // namespace kestrova
