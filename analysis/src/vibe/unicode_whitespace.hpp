// Recognises the characters with the Unicode White_Space property in UTF-8 text.
#pragma once

#include <cstddef>
#include <string_view>

namespace kestrova {

// Byte length of the White_Space character starting at text[pos], or 0 when the
// character there is not whitespace. Matching is on exact byte sequences, so
// malformed UTF-8 simply never counts as whitespace.
std::size_t whitespace_length(std::string_view text, std::size_t pos);

// text without leading and trailing White_Space characters.
std::string_view trim_whitespace(std::string_view text);

}  // namespace kestrova
