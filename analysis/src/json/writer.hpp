// Compact JSON text: the string escapes and number forms shared by the result
// document, the hosted request and state identifiers.
#pragma once

#include <string>
#include <string_view>

#include "json/value.hpp"

namespace kestrova::json {

// The shortest digits that read back as a finite double: no sign, point or
// leading zero, and `exponent` is the decimal exponent of the first digit:
// -1.5e-7 -> {true, "15", -7}.
struct ShortestDigits {
    bool negative;
    std::string digits;
    int exponent;
};
ShortestDigits shortest_digits(double value);

// Lays out `decimal` positionally (never an exponent), with ".0" appended to whole
// values: {false, "1", 16} -> "10000000000000000.0", {false, "15", -7} -> "0.00000015".
void append_positional(std::string& out, const ShortestDigits& decimal);

// Shortest round-trip digits; positional with at least one fractional digit when
// the decimal exponent lies in -5..15, otherwise d.ddde±X; NaN and infinities as null.
void append_double(std::string& out, double value);

// Double-quoted; escapes \" \\ \b \t \n \f \r, other C0 controls as \u00xx
// (lower-case hex); everything else, DEL and non-ASCII included, as raw bytes.
void append_string(std::string& out, std::string_view text);

void append_unsigned(std::string& out, std::uint64_t value);
void append_signed(std::string& out, std::int64_t value);

// Compact text of any value; object members come out in ascending byte order.
void append_value(std::string& out, const Value& value);
std::string to_compact(const Value& value);

}  // namespace kestrova::json
