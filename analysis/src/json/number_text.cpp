#include "json/number_text.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <system_error>

namespace kestrova::json {

namespace {

// The decimal order of magnitude of a token with a non-zero digit (d.ddd x 10^order).
// The exponent saturates far beyond the double range, so it cannot overflow.
std::int64_t order_of_magnitude(std::string_view token) {
    constexpr std::int64_t kSaturation = 1'000'000'000;
    if (token.front() == '-') token.remove_prefix(1);
    const std::size_t exp_pos = std::min(token.find_first_of("eE"), token.size());
    const std::string_view mantissa = token.substr(0, exp_pos);
    const std::size_t dot = std::min(mantissa.find('.'), mantissa.size());

    // Digits before the point, less the position of the first non-zero digit.
    std::int64_t order = static_cast<std::int64_t>(dot) - 1;
    std::int64_t position = 0;
    for (char c : mantissa) {
        if (c == '.') continue;
        if (c != '0') break;
        ++position;
    }
    order -= position;

    std::int64_t exponent = 0;
    std::size_t j = exp_pos + 1;
    const bool negative = j < token.size() && token[j] == '-';
    if (j < token.size() && (token[j] == '+' || token[j] == '-')) ++j;
    for (; j < token.size() && exponent < kSaturation; ++j)
        exponent = exponent * 10 + (token[j] - '0');
    return order + (negative ? -exponent : exponent);
}

}  // namespace

std::optional<double> number_text_to_double(std::string_view token) {
    double value = 0.0;
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (ec == std::errc()) return value;
    // Out of range: an underflow rounds to zero, an overflow is an error.
    if (order_of_magnitude(token) < 0) return token.front() == '-' ? -0.0 : 0.0;
    return std::nullopt;
}

}  // namespace kestrova::json
