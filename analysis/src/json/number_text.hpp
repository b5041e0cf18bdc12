// Conversion of a checked JSON number token to the nearest double.
#pragma once

#include <optional>
#include <string_view>

namespace kestrova::json {

// `token` must match the JSON number grammar. Correctly rounded; values too small
// for a double become a zero of the token's sign; nullopt when the magnitude
// overflows.
std::optional<double> number_text_to_double(std::string_view token);

}  // namespace kestrova::json
