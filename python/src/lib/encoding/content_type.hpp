// Media types as HTTP's Content-Type carries them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrova::encoding {

struct MediaType {
    std::string type;     // lower case
    std::string subtype;  // lower case
    // In order of appearance; names in lower case, values as given (quotes and
    // escapes removed). The first of several parameters with one name is kept.
    std::vector<std::pair<std::string, std::string>> parameters;
};

// Parses by the MIME type rules of the web platform: type "/" subtype made of token
// characters, then ";"-separated name=value parameters, values plain or quoted.
// Parameters that do not fit are skipped; a malformed type or subtype fails.
// Each byte of `text` counts as one character (Latin-1).
std::optional<MediaType> parse_media_type(std::string_view text);

// The charset parameter of a Content-Type value; nothing when the value holds a byte
// other than tab and printable ASCII, does not parse, or has no such parameter.
std::optional<std::string> charset_parameter(std::string_view content_type);

}  // namespace kestrova::encoding
