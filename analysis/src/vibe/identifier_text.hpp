// The value texts that make up a state identifier.
#pragma once

#include <string>

#include "json/value.hpp"

namespace kestrova {

// Fixed-point text with exactly four fractional digits, correctly rounded from
// the exact binary value with ties to even; all integer digits are kept.
void append_fixed4(std::string& out, double value);

// The identifier text of one attribute value: numbers by append_fixed4 of
// their double reading, everything else as compact JSON.
void append_identifier_value(std::string& out, const json::Value& value);

}  // namespace kestrova
