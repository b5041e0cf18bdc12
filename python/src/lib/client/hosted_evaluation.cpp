#include "client/hosted_evaluation.hpp"

#include <cmath>
#include <variant>

#include "client/status_phrase.hpp"
#include "encoding/decode.hpp"
#include "json/writer.hpp"
#include "vibe/scenario_writer.hpp"

namespace kestrova {
namespace {

constexpr const char* kVersion = "0.3.2";

std::string request_document(const VibeSchema& schema, std::optional<double> budget) {
    json::Object document;
    document.emplace(
        "budget", budget && std::isfinite(*budget) ? json::Value(*budget) : json::Value(nullptr));
    document.emplace("capability", json::Value("lite"));
    document.emplace("schema", write_scenario(schema));
    return json::to_compact(json::Value(std::move(document)));
}

http::SendResult attempt(http::Client& client, const std::string& url, const std::string& body,
                         const std::optional<std::string>& api_key) {
    http::Request request("POST", url);
    request.add_header("content-type", "application/json");
    request.add_header("x-kestrova-version", kVersion);
    request.set_json_body(body);
    if (api_key) request.add_header("x-kestrova-key", *api_key);
    return client.send(request);
}

}  // namespace

CallOutcome evaluate_hosted(const VibeSchema& schema, const std::optional<std::string>& api_key,
                            const std::string& base_url, http::Client& client,
                            std::optional<double> budget) {
    const std::string url = base_url + "/v1/simulate";
    const std::string body = request_document(schema, budget);

    // One immediate retry when no answer arrived; never on a status.
    http::SendResult sent = [&]() -> http::SendResult {
        http::SendResult first = attempt(client, url, body, api_key);
        if (std::holds_alternative<http::Response>(first)) return first;
        return attempt(client, url, body, api_key);
    }();
    if (auto* failure = std::get_if<std::string>(&sent))
        return CallOutcome::failure(ErrorKind::RuntimeError, "API Request Failed: " + *failure);

    http::Response& response = std::get<http::Response>(sent);
    const long status = response.status();
    if (status < 200 || status > 299) {
        return CallOutcome::failure(ErrorKind::RuntimeError,
                                    "API Error: Status " + std::to_string(status) + " " +
                                        std::string(http::status_phrase(status)));
    }
    auto read = response.read_body();
    if (auto* failure = std::get_if<1>(&read))
        return CallOutcome::failure(ErrorKind::RuntimeError,
                                    "Failed to read API response: " + *failure);
    const std::string& bytes = std::get<0>(read);
    const auto& content_type = response.content_type();
    return CallOutcome::success(encoding::decode_body(
        bytes, content_type ? std::optional<std::string_view>(*content_type) : std::nullopt));
}

}  // namespace kestrova
