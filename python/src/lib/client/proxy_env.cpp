#include "client/proxy_env.hpp"

#include <cstdlib>
#include <optional>

namespace kestrova::http {
namespace {

// A variable counts as set when it is non-empty.
std::optional<std::string> lookup(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::string(value);
}

std::optional<std::string> lookup_pair(const char* lower, const char* upper) {
    if (auto value = lookup(lower)) return value;
    return lookup(upper);
}

}  // namespace

ProxyChoice proxy_from_environment(std::string_view scheme) {
    std::optional<std::string> proxy;
    if (scheme == "http") {
        proxy = lookup("http_proxy");
        if (!proxy && std::getenv("REQUEST_METHOD") == nullptr) proxy = lookup("HTTP_PROXY");
    } else if (scheme == "https") {
        proxy = lookup_pair("https_proxy", "HTTPS_PROXY");
    }
    if (!proxy) proxy = lookup_pair("all_proxy", "ALL_PROXY");

    ProxyChoice choice;
    if (proxy) {
        choice.proxy = std::move(*proxy);
        choice.no_proxy = lookup_pair("no_proxy", "NO_PROXY").value_or("");
    }
    return choice;
}

}  // namespace kestrova::http
