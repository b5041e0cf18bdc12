#include "vibe/number_grammar.hpp"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace kestrova {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool equals_ignoring_case(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return true;
}

// Shape of a validated finite number, enough to tell overflow from underflow.
struct DecimalShape {
    // Decimal exponent of the first significant digit relative to the point,
    // saturated far outside the double range; meaningful only when nonzero.
    std::int64_t magnitude = 0;
    bool nonzero = false;
};

// Validates unsigned digits[.digits][e[sign]digits] covering all of text.
std::optional<DecimalShape> validate_finite(std::string_view text) {
    constexpr std::int64_t kSaturate = 1'000'000'000;
    DecimalShape shape;
    std::size_t i = 0;
    std::size_t digits = 0;
    bool first_in_integer = false;                // first nonzero digit before the point
    std::int64_t integer_digits_after_first = 0;  // integer digits after the first nonzero
    std::int64_t leading_fraction_zeros = 0;      // fraction zeros before the first nonzero
    while (i < text.size() && is_digit(text[i])) {
        if (shape.nonzero) {
            if (integer_digits_after_first < kSaturate) ++integer_digits_after_first;
        } else if (text[i] != '0') {
            shape.nonzero = true;
            first_in_integer = true;
        }
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && is_digit(text[i])) {
            if (!shape.nonzero) {
                if (text[i] != '0') {
                    shape.nonzero = true;
                } else if (leading_fraction_zeros < kSaturate) {
                    ++leading_fraction_zeros;
                }
            }
            ++i;
            ++digits;
        }
    }
    if (digits == 0) return std::nullopt;
    std::int64_t exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            negative = text[i] == '-';
            ++i;
        }
        const std::size_t exponent_start = i;
        while (i < text.size() && is_digit(text[i])) {
            if (exponent < kSaturate) exponent = exponent * 10 + (text[i] - '0');
            ++i;
        }
        if (i == exponent_start) return std::nullopt;
        if (negative) exponent = -exponent;
    }
    if (i != text.size()) return std::nullopt;
    // First significant digit d.ddd x 10^magnitude.
    shape.magnitude =
        exponent + (first_in_integer ? integer_digits_after_first : -leading_fraction_zeros - 1);
    return shape;
}

}  // namespace

std::optional<double> parse_decimal_number(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    double value = 0.0;
    if (equals_ignoring_case(text, "inf") || equals_ignoring_case(text, "infinity")) {
        value = std::numeric_limits<double>::infinity();
    } else if (equals_ignoring_case(text, "nan")) {
        value = std::numeric_limits<double>::quiet_NaN();
    } else {
        const auto shape = validate_finite(text);
        if (!shape) return std::nullopt;
        // The text is now plain decimal, which from_chars rounds correctly; it only
        // reports values outside the double range without giving them.
        const auto result = std::from_chars(text.data(), text.data() + text.size(), value,
                                            std::chars_format::general);
        if (result.ec == std::errc::result_out_of_range) {
            value = shape->magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        } else if (result.ec != std::errc() || result.ptr != text.data() + text.size()) {
            return std::nullopt;
        }
    }
    return negative ? -value : value;
}

}  // namespace kestrova
