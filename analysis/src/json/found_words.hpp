// How reader errors describe the value they found, e.g. "integer `5`",
// "floating point `2.5`", "string \"a\"".
#pragma once

#include <string>
#include <string_view>

#include "json/value.hpp"

namespace kestrova::json {

// Shortest round-trip digits laid out positionally (never an exponent), with
// ".0" appended to whole values: 1e16 -> "10000000000000000.0", 1.5e-7 -> "0.00000015".
std::string positional_double(double value);

// Double-quoted; \" \\ \t \r \n escaped, other control characters as \u{xx}.
std::string quoted_for_message(std::string_view text);

// The found-value words of a scalar: "null", "boolean `true`", "integer `-3`",
// "floating point `0.5`", "string \"x\"", and "sequence" / "map" for containers.
std::string found_words(const Value& value);

}  // namespace kestrova::json
