#include "vibe/shape_reader.hpp"

#include <limits>
#include <variant>

#include "json/found_words.hpp"

namespace kestrova::shape {

namespace {

bool starts_number(int c) {
    return c == '-' || (c >= '0' && c <= '9');
}

// The number at hand, or an invalid-type error naming `expectation`.
json::Value read_json_number(Reader& reader, std::string_view expectation) {
    const int c = reader.skip_whitespace();
    if (c < 0) reader.fail_at_next("EOF while parsing a value");
    if (!starts_number(c)) reader.fail_invalid_type(expectation);
    return reader.read_number();
}

// An integer of a fixed range: a negative or too large integer is an invalid
// value, a number with a fraction or exponent an invalid type.
template <class Int>
Int read_integer(Reader& reader, std::string_view expectation) {
    const json::Value number = read_json_number(reader, expectation);
    if (const auto* u = std::get_if<std::uint64_t>(&number.data)) {
        if (*u <= static_cast<std::uint64_t>(std::numeric_limits<Int>::max())) {
            return static_cast<Int>(*u);
        }
    } else if (const auto* i = std::get_if<std::int64_t>(&number.data)) {
        if constexpr (std::numeric_limits<Int>::is_signed) {
            if (*i >= std::numeric_limits<Int>::min()) return static_cast<Int>(*i);
        }
    } else {
        reader.fail("invalid type: " + json::found_words(number) + ", expected " +
                    std::string(expectation));
    }
    reader.fail("invalid value: " + json::found_words(number) + ", expected " +
                std::string(expectation));
}

std::string spelling_list(const std::string_view* names, std::size_t count) {
    auto quoted = [](std::string_view name) {
        std::string out = "`";
        out.append(name);
        out += '`';
        return out;
    };
    if (count == 1) return quoted(names[0]);
    if (count == 2) return quoted(names[0]) + " or " + quoted(names[1]);
    std::string out = "one of ";
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) out += ", ";
        out += quoted(names[i]);
    }
    return out;
}

// The spelling's index; an unknown spelling fails just past its closing quote.
std::size_t read_spelling(Reader& reader, const std::string_view* names, std::size_t count) {
    const int c = reader.skip_whitespace();
    if (c < 0) reader.fail_at_next("EOF while parsing a value");
    if (c != '"') reader.fail_invalid_type("variant identifier");
    reader.eat();
    const std::string given = reader.read_string();
    for (std::size_t i = 0; i < count; ++i) {
        if (names[i] == given) return i;
    }
    reader.fail("unknown variant `" + given + "`, expected " + spelling_list(names, count));
}

}  // namespace

std::string read_text(Reader& reader) {
    const int c = reader.skip_whitespace();
    if (c < 0) reader.fail_at_next("EOF while parsing a value");
    if (c != '"') reader.fail_invalid_type("a string");
    reader.eat();
    return reader.read_string();
}

double read_number(Reader& reader) {
    return read_json_number(reader, "a number").as_double();
}

std::size_t read_size(Reader& reader) {
    return read_integer<std::size_t>(reader, "an unsigned size");
}

std::int32_t read_int32(Reader& reader) {
    return read_integer<std::int32_t>(reader, "a signed 32-bit integer");
}

std::size_t read_variant(Reader& reader, const std::string_view* names, std::size_t count) {
    const int c = reader.skip_whitespace();
    if (c < 0) reader.fail_at_next("EOF while parsing a value");
    if (c == '"') return read_spelling(reader, names, count);
    if (c != '{') reader.fail_at_next("expected value");
    // {"spelling": null}
    reader.open_nested();
    const std::size_t index = read_spelling(reader, names, count);
    reader.expect_colon();
    const int value = reader.skip_whitespace();
    if (value < 0) reader.fail_at_next("EOF while parsing a value");
    if (value != 'n') reader.fail_invalid_type("unit");
    reader.eat();
    reader.expect_ident("ull");
    reader.close_nested();
    const int end = reader.skip_whitespace();
    if (end == '}') {
        reader.eat();
        return index;
    }
    reader.fail(end < 0 ? "EOF while parsing an object" : "expected value");
}

void fail_unplaced(std::string message) {
    throw json::ReadError{std::move(message), std::nullopt};
}

void fail_invalid_length(std::size_t found, std::string_view record, std::size_t members) {
    fail_unplaced("invalid length " + std::to_string(found) + ", expected struct " +
                  std::string(record) + " with " + std::to_string(members) + " elements");
}

}  // namespace kestrova::shape
