#include "vibe/identifier_text.hpp"

#include <charconv>

#include "json/writer.hpp"

namespace kestrova {

void append_fixed4(std::string& out, double value) {
    // The largest double has 309 integer digits; with sign, point and four
    // fractional digits the text needs at most 315 characters.
    char buffer[330];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    out.append(buffer, result.ptr);
}

void append_identifier_value(std::string& out, const json::Value& value) {
    if (value.is_number()) {
        append_fixed4(out, value.as_double());
    } else {
        json::append_value(out, value);
    }
}

}  // namespace kestrova
