// Host parsing for URLs: IPv6 and IPv4 literals, domains (IDNA), opaque hosts.
#pragma once

#include <string>
#include <string_view>
#include <variant>

namespace kestrova::http {

struct HostError {
    const char* text;
};

// The serialized host, or why the text is not a host. Opaque hosts belong to
// schemes without special host rules.
std::variant<std::string, HostError> parse_host(std::string_view input, bool opaque);

}  // namespace kestrova::http
