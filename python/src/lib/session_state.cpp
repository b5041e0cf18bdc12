#include "session_state.hpp"

#include "vibe/scenario_reader.hpp"

namespace kestrova {
namespace {

std::optional<VibeSchema> read_or_fail(std::string_view schema_json, CallOutcome& error) {
    ScenarioReadResult read = read_scenario(schema_json);
    if (!read.schema) {
        error = CallOutcome::failure(ErrorKind::ValueError, "Invalid schema: " + read.error);
    }
    return std::move(read.schema);
}

}  // namespace

std::unique_ptr<SessionState> build_session_state(std::string_view schema_json,
                                                  std::optional<std::string> api_key,
                                                  std::optional<std::string> base_url,
                                                  CallOutcome& error) {
    std::optional<VibeSchema> schema = read_or_fail(schema_json, error);
    if (!schema) return nullptr;

    std::string client_error;
    std::unique_ptr<http::Client> client = http::Client::build(client_error);
    if (!client) {
        error = CallOutcome::failure(ErrorKind::RuntimeError,
                                     "Failed to create HTTP client: " + client_error);
        return nullptr;
    }

    auto state = std::make_unique<SessionState>();
    state->schema = std::move(*schema);
    state->api_key = std::move(api_key);
    state->base_url = base_url ? std::move(*base_url) : std::string(kDefaultBaseUrl);
    state->client = std::move(client);
    return state;
}

bool replace_schema(SessionState& state, std::string_view schema_json, CallOutcome& error) {
    std::optional<VibeSchema> schema = read_or_fail(schema_json, error);
    if (!schema) return false;
    state.schema = std::move(*schema);
    return true;
}

}  // namespace kestrova
