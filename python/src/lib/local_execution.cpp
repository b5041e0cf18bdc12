#include "local_execution.hpp"

namespace kestrova {

// Placeholder until the local analysis lands.
CallOutcome run_local(const VibeSchema&, std::optional<double>) {
    return CallOutcome::failure(ErrorKind::RuntimeError, "local analysis is not built yet");
}

}  // namespace kestrova
