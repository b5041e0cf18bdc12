#include "local_execution.hpp"

#include <exception>
#include <string>

#include "lib/simulate.hpp"
#include "vibe/result_writer.hpp"

namespace kestrova {

namespace {

constexpr std::size_t kLocalMaxVariables = 5;
constexpr std::size_t kLocalMaxHorizon = 12;

}  // namespace

CallOutcome run_local(const VibeSchema& schema, std::optional<double> budget) {
    if (schema.variables.size() > kLocalMaxVariables) {
        return CallOutcome::failure(ErrorKind::ValueError, "");
    }
    if (schema.time.horizon > kLocalMaxHorizon) {
        return CallOutcome::failure(
            ErrorKind::ValueError,
            "Local Mode Violation: Max 12 horizon. Use evaluate() for cloud execution.");
    }
    // The pipeline owns (and consumes) its own copy; the session's scenario stays as it was.
    const SimulationResult result = simulate(VibeSchema(schema), budget);
    try {
        return CallOutcome::success(write_result(result));
    } catch (const std::exception& e) {
        return CallOutcome::failure(ErrorKind::RuntimeError,
                                    std::string("Failed to serialize result: ") + e.what());
    }
}

}  // namespace kestrova
