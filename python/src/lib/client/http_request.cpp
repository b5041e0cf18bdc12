#include <variant>

#include "client/http_client.hpp"
#include "client/url.hpp"

namespace kestrova::http {
namespace {

bool ascii_iequal(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

// RFC 9110 token characters.
bool valid_name(std::string_view name) {
    if (name.empty()) return false;
    for (unsigned char c : name) {
        bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                  std::string_view("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) !=
                      std::string_view::npos;
        if (!ok) return false;
    }
    return true;
}

bool valid_value(std::string_view value) {
    for (unsigned char c : value)
        if ((c < 0x20 && c != '\t') || c == 0x7F) return false;
    return true;
}

}  // namespace

Request::Request(std::string_view method, std::string_view url) : method_(method) {
    auto parsed = parse_url(url);
    if (auto* error = std::get_if<std::string>(&parsed)) {
        failure_ = "invalid URL: " + *error;
        return;
    }
    const Url& u = std::get<Url>(parsed);
    url_ = u.serialize();
    scheme_ = u.scheme;
    target_ = target_of(u);
}

void Request::add_header(std::string_view name, std::string_view value) {
    if (failure_) return;
    if (!valid_name(name)) {
        failure_ = "invalid HTTP header name";
        return;
    }
    if (!valid_value(value)) {
        failure_ = "invalid HTTP header value";
        return;
    }
    std::string lower(name);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    headers_.emplace_back(std::move(lower), std::string(value));
}

void Request::set_json_body(std::string body) {
    body_ = std::move(body);
    for (const auto& header : headers_)
        if (ascii_iequal(header.first, "content-type")) return;
    if (!failure_) headers_.emplace_back("content-type", "application/json");
}

}  // namespace kestrova::http
