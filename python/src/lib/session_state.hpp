// The session record behind each KestrovaSession, and its construction steps
// (shared by the class constructor and the module functions' temporary sessions).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "call_outcome.hpp"
#include "client/http_client.hpp"
#include "vibe/schema.hpp"

namespace kestrova {

// Used whenever no base_url is given: scheme and host only, no trailing slash.
inline constexpr std::string_view kDefaultBaseUrl = "https://api.kestrova.dev";

struct SessionState {
    VibeSchema schema;
    std::optional<std::string> api_key;  // absent when none was given; "" is a key
    std::string base_url;
    std::unique_ptr<http::Client> client;
};

// Reads the scenario, then builds the HTTP client. On failure returns nullptr and
// sets error to the exception to raise (ValueError for the scenario, RuntimeError
// for the client); nothing is left behind.
std::unique_ptr<SessionState> build_session_state(std::string_view schema_json,
                                                  std::optional<std::string> api_key,
                                                  std::optional<std::string> base_url,
                                                  CallOutcome& error);

// Replaces the scenario only if the text reads; otherwise sets error and leaves
// the state as it was.
bool replace_schema(SessionState& state, std::string_view schema_json, CallOutcome& error);

}  // namespace kestrova
