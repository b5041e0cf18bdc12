// Hosted evaluation: POST the scenario to base_url + "/v1/simulate", one retry.
#pragma once

#include <optional>
#include <string>

#include "call_outcome.hpp"
#include "client/http_client.hpp"
#include "vibe/schema.hpp"

namespace kestrova {

// Errors are always RuntimeError with the texts of the hosted evaluation table.
CallOutcome evaluate_hosted(const VibeSchema& schema, const std::optional<std::string>& api_key,
                            const std::string& base_url, http::Client& client,
                            std::optional<double> budget);

}  // namespace kestrova
