// URL parsing by the WHATWG URL rules (no base URL), and serialization.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kestrova::http {

struct Url {
    std::string scheme;  // lower case, without ':'
    std::string username;
    std::string password;
    std::optional<std::string> host;  // serialized host; nullopt when the URL has none
    std::optional<int> port;          // nullopt when absent or the scheme's default
    bool opaque_path = false;
    std::string opaque;                // the path when opaque_path
    std::vector<std::string> path;     // segments otherwise
    std::optional<std::string> query;  // without '?'
    std::optional<std::string> fragment;

    bool is_special() const;
    // The full serialization ("href").
    std::string serialize(bool with_fragment = true) const;
};

// Either the parsed URL or a short description of why the text is not a URL.
using UrlParse = std::variant<Url, std::string>;
UrlParse parse_url(std::string_view input);

}  // namespace kestrova::http
