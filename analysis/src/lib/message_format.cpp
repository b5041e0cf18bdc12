#include "lib/message_format.hpp"

#include <charconv>
#include <cmath>

namespace kestrova {

namespace {

// Covers every positional double: 309 integer digits, or 0. and 1074 fractional digits.
constexpr std::size_t kBufferSize = 1100;

const char* non_finite_text(double value) {
    if (std::isnan(value)) return "NaN";
    return value < 0 ? "-inf" : "inf";
}

}  // namespace

std::string message_number(double value) {
    if (!std::isfinite(value)) return non_finite_text(value);
    char buf[kBufferSize];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return std::string(buf, res.ptr);
}

std::string one_decimal(double value) {
    if (!std::isfinite(value)) return non_finite_text(value);
    char buf[kBufferSize];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 1);
    return std::string(buf, res.ptr);
}

}  // namespace kestrova
