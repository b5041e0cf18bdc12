// The decimal number form accepted on the right-hand side of a condition.
#pragma once

#include <optional>
#include <string_view>

namespace kestrova {

// Parses the whole text as: an optional sign, then digits with an optional
// decimal point (at least one digit overall) and an optional exponent, or
// inf / infinity / nan in any case. The result is the correctly rounded double
// (overflow gives an infinity, underflow a zero of the right sign). Anything
// else, hexadecimal and trailing characters included, gives nullopt.
std::optional<double> parse_decimal_number(std::string_view text);

}  // namespace kestrova
