#include "client/hosted_evaluation.hpp"

namespace kestrova {

// Placeholder until hosted evaluation lands.
CallOutcome evaluate_hosted(const VibeSchema&, const std::optional<std::string>&, const std::string&,
                            http::Client&, std::optional<double>) {
    return CallOutcome::failure(ErrorKind::RuntimeError, "hosted evaluation is not built yet");
}

}  // namespace kestrova
