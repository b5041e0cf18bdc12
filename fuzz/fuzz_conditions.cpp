// Condition texts, precondition texts and the NUMBER grammar, each checked against
// a plain second reading written here from the grammar: a whitespace table instead
// of byte matching, a hand-written shape check in front of strtod, and a literal
// split at "&&". Any difference aborts.
//
// Input: the first line lists attributes as "name=value" pairs separated by ';'
// (value "null", "true", "false", an integer, a number, or else a text); the rest
// is the condition text.
#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vibe/compiler.hpp"
#include "vibe/number_grammar.hpp"

namespace {

using kestrova::AttributeMap;
namespace json = kestrova::json;

// Every character with the Unicode White_Space property, as UTF-8.
constexpr std::array<std::string_view, 25> kWhitespace{" ",
                                                       "\t",
                                                       "\n",
                                                       "\v",
                                                       "\f",
                                                       "\r",
                                                       "\xC2\x85",
                                                       "\xC2\xA0",
                                                       "\xE1\x9A\x80",
                                                       "\xE2\x80\x80",
                                                       "\xE2\x80\x81",
                                                       "\xE2\x80\x82",
                                                       "\xE2\x80\x83",
                                                       "\xE2\x80\x84",
                                                       "\xE2\x80\x85",
                                                       "\xE2\x80\x86",
                                                       "\xE2\x80\x87",
                                                       "\xE2\x80\x88",
                                                       "\xE2\x80\x89",
                                                       "\xE2\x80\x8A",
                                                       "\xE2\x80\xA8",
                                                       "\xE2\x80\xA9",
                                                       "\xE2\x80\xAF",
                                                       "\xE2\x81\x9F",
                                                       "\xE3\x80\x80"};

std::size_t space_at(std::string_view text, std::size_t pos) {
    for (const std::string_view space : kWhitespace) {
        if (text.substr(pos).starts_with(space)) return space.size();
    }
    return 0;
}

std::vector<std::string_view> tokens_of(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (const std::size_t n = space_at(text, pos)) {
            pos += n;
            continue;
        }
        const std::size_t start = pos;
        while (pos < text.size() && space_at(text, pos) == 0) ++pos;
        tokens.push_back(text.substr(start, pos - start));
    }
    return tokens;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && space_at(text, 0) != 0) text.remove_prefix(space_at(text, 0));
    // From the back: try every whitespace encoding as a suffix.
    for (bool again = true; again;) {
        again = false;
        for (const std::string_view space : kWhitespace) {
            if (text.ends_with(space)) {
                text.remove_suffix(space.size());
                again = true;
            }
        }
    }
    return text;
}

bool lower_equals(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c) != lower[i]) return false;
    }
    return true;
}

bool digit(char c) {
    return c >= '0' && c <= '9';
}

// sign? (digits ('.' digits?)? | '.' digits) ([eE] sign? digits)?, or sign? inf/infinity/nan.
bool number_shape(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::string_view rest = text.substr(i);
    if (lower_equals(rest, "inf") || lower_equals(rest, "infinity") || lower_equals(rest, "nan"))
        return true;
    std::size_t mantissa_digits = 0;
    while (i < text.size() && digit(text[i])) ++i, ++mantissa_digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && digit(text[i])) ++i, ++mantissa_digits;
    }
    if (mantissa_digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        const std::size_t exponent_start = i;
        while (i < text.size() && digit(text[i])) ++i;
        if (i == exponent_start) return false;
    }
    return i == text.size();
}

std::optional<double> reference_number(std::string_view text) {
    if (!number_shape(text)) return std::nullopt;
    // strtod (C locale) reads exactly these shapes, correctly rounded, with subnormals.
    const std::string copy(text);
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size()) std::abort();  // the shape check let junk through
    return value;
}

bool same_number(std::optional<double> a, std::optional<double> b) {
    if (a.has_value() != b.has_value()) return false;
    if (!a) return true;
    if (std::isnan(*a) || std::isnan(*b)) return std::isnan(*a) && std::isnan(*b);
    return std::bit_cast<std::uint64_t>(*a) == std::bit_cast<std::uint64_t>(*b);
}

double reading(const AttributeMap& attributes, std::string_view name) {
    const auto it = attributes.find(std::string(name));
    if (it == attributes.end()) return 0.0;
    const auto& data = it->second.data;
    if (const auto* d = std::get_if<double>(&data)) return *d;
    if (const auto* u = std::get_if<std::uint64_t>(&data)) return static_cast<double>(*u);
    if (const auto* i = std::get_if<std::int64_t>(&data)) return static_cast<double>(*i);
    return 0.0;
}

bool reference_condition(const AttributeMap& attributes, std::string_view text) {
    const auto tokens = tokens_of(text);
    if (tokens.size() != 3) return text == "true";
    const double left = reading(attributes, tokens[0]);
    const double right = reference_number(tokens[2]).value_or(0.0);
    const std::string_view op = tokens[1];
    if (op == ">") return left > right;
    if (op == "<") return left < right;
    if (op == ">=") return left >= right;
    if (op == "<=") return left <= right;
    if (op == "==") return std::fabs(left - right) < 1e-6;
    return false;
}

bool reference_precondition(const AttributeMap& attributes, std::string_view text) {
    while (true) {
        const auto split = text.find("&&");
        if (!reference_condition(attributes, trimmed(text.substr(0, split)))) return false;
        if (split == std::string_view::npos) return true;
        text.remove_prefix(split + 2);
    }
}

json::Value attribute_value(std::string_view text) {
    if (text == "null") return json::Value(nullptr);
    if (text == "true" || text == "false") return json::Value(text == "true");
    const std::string copy(text);
    if (!text.empty() && (digit(text[0]) || (text[0] == '-' && text.size() > 1))) {
        const bool all_digits = [&] {
            for (std::size_t i = text[0] == '-' ? 1 : 0; i < text.size(); ++i) {
                if (!digit(text[i])) return false;
            }
            return true;
        }();
        errno = 0;
        if (all_digits && text[0] != '-') {
            const auto u = std::strtoull(copy.c_str(), nullptr, 10);
            if (errno == 0) return json::Value(static_cast<std::uint64_t>(u));
        } else if (all_digits) {
            const auto i = std::strtoll(copy.c_str(), nullptr, 10);
            if (errno == 0) return json::Value(static_cast<std::int64_t>(i));
        }
    }
    if (const auto number = reference_number(text)) return json::Value(*number);
    return json::Value(copy);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto newline = input.find('\n');
    const std::string_view header = input.substr(0, newline);
    const std::string_view condition =
        newline == std::string_view::npos ? std::string_view{} : input.substr(newline + 1);

    AttributeMap attributes;
    for (std::size_t start = 0; start <= header.size();) {
        const auto end = std::min(header.find(';', start), header.size());
        const auto pair = header.substr(start, end - start);
        const auto eq = pair.find('=');
        if (eq != std::string_view::npos) {
            attributes[std::string(pair.substr(0, eq))] = attribute_value(pair.substr(eq + 1));
        }
        start = end + 1;
    }

    // The NUMBER grammar on the whole text and on each token of it.
    if (!same_number(kestrova::parse_decimal_number(condition), reference_number(condition)))
        std::abort();
    for (const std::string_view token : tokens_of(condition)) {
        if (!same_number(kestrova::parse_decimal_number(token), reference_number(token)))
            std::abort();
    }
    if (kestrova::eval_condition(attributes, condition) !=
        reference_condition(attributes, condition))
        std::abort();
    if (kestrova::precondition_holds(attributes, condition) !=
        reference_precondition(attributes, condition))
        std::abort();
    return 0;
}
