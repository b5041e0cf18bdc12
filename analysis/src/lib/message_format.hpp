// Number texts inside user-visible messages (never JSON: no exponent, no ".0").
#pragma once

#include <string>

namespace kestrova {

// Shortest round-trip digits, positional, no fraction for whole values:
// 5.0 -> "5", 0.5 -> "0.5", 1e21 -> "1000000000000000000000", -0.0 -> "-0",
// NaN -> "NaN", infinities -> "inf" / "-inf".
std::string message_number(double value);

// Fixed point with exactly one fractional digit (5760 -> "5760.0"); non-finite
// values as in message_number.
std::string one_decimal(double value);

}  // namespace kestrova
