#include "json/number_text.hpp"

#include <charconv>
#include <cstdint>
#include <system_error>

namespace kestrova::json {

namespace {

// The decimal order of magnitude of a non-zero token (d.ddd x 10^order), saturated
// far beyond the double range so huge exponents cannot overflow.
std::int64_t order_of_magnitude(std::string_view token) {
    constexpr std::int64_t kLimit = 1'000'000'000;
    std::size_t i = token.front() == '-' ? 1 : 0;
    std::int64_t integer_digits = 0;
    std::int64_t first_nonzero = -1;  // index among all mantissa digits
    std::int64_t index = 0;
    for (; i < token.size() && token[i] != 'e' && token[i] != 'E'; ++i) {
        if (token[i] == '.') continue;
        if (first_nonzero < 0 && token[i] != '0') first_nonzero = index;
        ++index;
    }
    const std::size_t dot = token.find('.');
    const std::size_t exp_pos = token.find_first_of("eE");
    const std::size_t int_end = dot != std::string_view::npos ? dot : exp_pos;
    integer_digits =
        static_cast<std::int64_t>((int_end == std::string_view::npos ? token.size() : int_end) -
                                  (token.front() == '-' ? 1 : 0));
    std::int64_t exponent = 0;
    if (exp_pos != std::string_view::npos) {
        std::size_t j = exp_pos + 1;
        bool negative = false;
        if (token[j] == '+' || token[j] == '-') negative = token[j++] == '-';
        for (; j < token.size() && exponent < kLimit; ++j)
            exponent = exponent * 10 + (token[j] - '0');
        if (negative) exponent = -exponent;
    }
    return integer_digits - 1 - first_nonzero + exponent;
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
