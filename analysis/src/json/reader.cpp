#include "json/reader.hpp"

#include <algorithm>
#include <charconv>
#include <limits>
#include <utility>
#include <vector>

#include "json/found_words.hpp"
#include "json/number_text.hpp"

namespace kestrova::json {

namespace {

bool is_digit(int c) {
    return c >= '0' && c <= '9';
}

bool starts_number(int c) {
    return c == '-' || is_digit(c);
}

bool starts_keyword(int c) {
    return c == 'n' || c == 't' || c == 'f';
}

int hex_value(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void append_utf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the well-formed UTF-8 sequence at text[i] (a byte >= 0x80), or the
// offset of its first bad byte as a negative number (-1 for the lead byte itself).
// A sequence cut short by the end of the text counts as well-formed up to there,
// so the caller meets the end of the text instead.
int utf8_sequence(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int length;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) lo = 0xA0;  // no overlong forms
        if (lead == 0xED) hi = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) lo = 0x90;
        if (lead == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
    } else {
        return -1;
    }
    for (int k = 1; k < length; ++k) {
        if (i + static_cast<std::size_t>(k) >= text.size()) return k;
        const auto c = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
        const unsigned char min = k == 1 ? lo : 0x80;
        const unsigned char max = k == 1 ? hi : 0xBF;
        if (c < min || c > max) return -(k + 1);
    }
    return length;
}

constexpr const char* kControlInString =
    "control character (\\u0000-\\u001F) found while parsing a string";

// Reads `null`, `true` or `false`, whose first letter `c` is next.
Value read_keyword(Reader& reader, int c) {
    reader.eat();
    if (c == 'n') {
        reader.expect_ident("ull");
        return Value(nullptr);
    }
    reader.expect_ident(c == 't' ? "rue" : "alse");
    return Value(c == 't');
}

struct NumberForm {
    std::size_t int_end;  // where the integer digits end
    bool integral;        // no fraction and no exponent
};

// Checks and passes over the number at hand ('-' or a digit expected). Where the
// text ends before a due digit, the error is `eof_message`.
NumberForm scan_number(Reader& reader, const char* eof_message) {
    if (reader.peek() == '-') reader.eat();
    const int first = reader.peek();
    if (first < 0) reader.fail(eof_message);
    reader.eat();
    if (first == '0') {
        if (is_digit(reader.peek())) reader.fail_at_next("invalid number");
    } else if (is_digit(first)) {
        while (is_digit(reader.peek())) reader.eat();
    } else {
        reader.fail("invalid number");
    }
    NumberForm form{reader.consumed(), true};
    if (reader.peek() == '.') {
        reader.eat();
        form.integral = false;
        if (!is_digit(reader.peek())) {
            reader.fail_at_next(reader.peek() < 0 ? eof_message : "invalid number");
        }
        while (is_digit(reader.peek())) reader.eat();
    }
    if (reader.peek() == 'e' || reader.peek() == 'E') {
        reader.eat();
        form.integral = false;
        if (reader.peek() == '+' || reader.peek() == '-') reader.eat();
        const int c = reader.peek();
        if (c < 0) reader.fail(eof_message);
        reader.eat();
        if (!is_digit(c)) reader.fail("invalid number");
        while (is_digit(reader.peek())) reader.eat();
    }
    return form;
}

}  // namespace

int Reader::skip_whitespace() {
    while (pos_ < text_.size()) {
        const char c = text_[pos_];
        if (c != ' ' && c != '\n' && c != '\t' && c != '\r') {
            return static_cast<unsigned char>(c);
        }
        ++pos_;
    }
    return -1;
}

void Reader::fail(std::string message) const {
    throw ReadError{std::move(message), pos_};
}

void Reader::fail_at_next(std::string message) const {
    throw ReadError{std::move(message), std::min(pos_ + 1, text_.size())};
}

void Reader::fail_invalid_type(std::string_view expectation) {
    const int c = peek();
    std::string found;
    if (starts_keyword(c)) {
        found = found_words(read_keyword(*this, c));
    } else if (starts_number(c)) {
        found = found_words(read_number());
    } else if (c == '"') {
        eat();
        found = found_words(Value(read_string()));
    } else if (c == '[') {
        // The container itself is not read: the error points before it.
        found = "sequence";
    } else if (c == '{') {
        found = "map";
    } else {
        fail_at_next("expected value");
    }
    fail("invalid type: " + found + ", expected " + std::string(expectation));
}

void Reader::open_nested() {
    if (depth_ >= kMaxDepth) fail_at_next("recursion limit exceeded");
    ++depth_;
    eat();
}

bool Reader::next_element(bool& first) {
    int c = skip_whitespace();
    if (c < 0) fail_at_next("EOF while parsing a list");
    if (c == ']') return false;
    if (first) {
        first = false;
        return true;
    }
    if (c != ',') fail_at_next("expected `,` or `]`");
    eat();
    c = skip_whitespace();
    if (c == ']') fail_at_next("trailing comma");
    if (c < 0) fail_at_next("EOF while parsing a value");
    return true;
}

void Reader::end_array() {
    int c = skip_whitespace();
    if (c == ']') {
        eat();
        return;
    }
    if (c == ',') {
        eat();
        c = skip_whitespace();
        fail_at_next(c == ']' ? "trailing comma" : "trailing characters");
    }
    fail_at_next(c < 0 ? "EOF while parsing a list" : "trailing characters");
}

bool Reader::next_key(bool& first) {
    int c = skip_whitespace();
    if (c < 0) fail_at_next("EOF while parsing an object");
    if (c == '}') return false;
    if (first) {
        first = false;
        if (c != '"') fail_at_next("key must be a string");
        return true;
    }
    if (c != ',') fail_at_next("expected `,` or `}`");
    eat();
    c = skip_whitespace();
    if (c == '"') return true;
    if (c == '}') fail_at_next("trailing comma");
    fail_at_next(c < 0 ? "EOF while parsing a value" : "key must be a string");
}

void Reader::expect_colon() {
    const int c = skip_whitespace();
    if (c == ':') {
        eat();
        return;
    }
    fail_at_next(c < 0 ? "EOF while parsing an object" : "expected `:`");
}

void Reader::end_object() {
    const int c = skip_whitespace();
    if (c == '}') {
        eat();
        return;
    }
    if (c == ',') fail_at_next("trailing comma");
    fail_at_next(c < 0 ? "EOF while parsing an object" : "trailing characters");
}

void Reader::expect_ident(std::string_view rest) {
    for (char expected : rest) {
        const int c = peek();
        if (c < 0) fail("EOF while parsing a value");
        eat();
        if (c != static_cast<unsigned char>(expected)) fail("expected ident");
    }
}

std::string Reader::read_string() {
    std::string out;
    scan_string(&out);
    return out;
}

// Reads up to and including the closing quote. With `out` null the string is
// only checked (escapes may then hold unpaired surrogates, as nothing is decoded).
void Reader::scan_string(std::string* out) {
    std::size_t run = pos_;  // start of the bytes not yet copied to `out`
    for (;;) {
        while (pos_ < text_.size()) {
            const auto c = static_cast<unsigned char>(text_[pos_]);
            if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80) break;
            ++pos_;
        }
        if (pos_ == text_.size()) fail("EOF while parsing a string");
        const auto c = static_cast<unsigned char>(text_[pos_]);
        if (c >= 0x80) {
            const int length = utf8_sequence(text_, pos_);
            if (length < 0) {
                pos_ += static_cast<std::size_t>(-length - 1);
                fail_at_next("invalid unicode code point");
            }
            pos_ = std::min(pos_ + static_cast<std::size_t>(length), text_.size());
            continue;
        }
        if (out) out->append(text_.substr(run, pos_ - run));
        if (c == '"') {
            ++pos_;
            return;
        }
        if (c == '\\') {
            ++pos_;
            scan_escape(out);
            run = pos_;
            continue;
        }
        ++pos_;
        fail(kControlInString);
    }
}

void Reader::scan_escape(std::string* out) {
    const int c = peek();
    if (c < 0) fail("EOF while parsing a string");
    eat();
    char plain;
    switch (c) {
        case '"':
            plain = '"';
            break;
        case '\\':
            plain = '\\';
            break;
        case '/':
            plain = '/';
            break;
        case 'b':
            plain = '\b';
            break;
        case 'f':
            plain = '\f';
            break;
        case 'n':
            plain = '\n';
            break;
        case 'r':
            plain = '\r';
            break;
        case 't':
            plain = '\t';
            break;
        case 'u': {
            unsigned cp = read_hex4();
            if (!out) return;
            if (cp >= 0xDC00 && cp <= 0xDFFF) fail("lone leading surrogate in hex escape");
            if (cp >= 0xD800 && cp <= 0xDBFF) {
                // A leading surrogate needs a trailing one in the very next escape.
                for (char expected : std::string_view("\\u")) {
                    const int next = peek();
                    if (next < 0) fail("EOF while parsing a string");
                    eat();
                    if (next != expected) fail("unexpected end of hex escape");
                }
                const unsigned low = read_hex4();
                if (low < 0xDC00 || low > 0xDFFF) fail("lone leading surrogate in hex escape");
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            }
            append_utf8(*out, cp);
            return;
        }
        default:
            fail("invalid escape");
    }
    if (out) *out += plain;
}

unsigned Reader::read_hex4() {
    if (text_.size() - pos_ < 4) {
        pos_ = text_.size();
        fail("EOF while parsing a string");
    }
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = hex_value(static_cast<unsigned char>(text_[pos_]));
        ++pos_;
        if (digit < 0) fail("invalid escape");
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
}

Value Reader::read_number() {
    const std::size_t start = pos_;
    const bool negative = peek() == '-';
    const NumberForm form = scan_number(*this, "EOF while parsing a value");

    const std::string_view token = text_.substr(start, pos_ - start);
    if (form.integral) {
        std::uint64_t magnitude = 0;
        const char* digits = text_.data() + start + (negative ? 1 : 0);
        auto [end, ec] = std::from_chars(digits, text_.data() + form.int_end, magnitude);
        if (ec == std::errc()) {
            if (!negative) return Value(magnitude);
            constexpr auto kMinMagnitude =
                static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1;
            if (magnitude == 0) return Value(-0.0);
            if (magnitude <= kMinMagnitude) {
                return Value(static_cast<std::int64_t>(0 - magnitude));  // two's complement
            }
        }
        // Beyond the 64-bit integer ranges: the nearest double.
    }
    const std::optional<double> value = number_text_to_double(token);
    if (!value) fail("number out of range");
    return Value(*value);
}

Value Reader::read_value() {
    const int c = skip_whitespace();
    if (c < 0) fail_at_next("EOF while parsing a value");
    if (starts_keyword(c)) return read_keyword(*this, c);
    if (starts_number(c)) return read_number();
    switch (c) {
        case '"':
            eat();
            return Value(read_string());
        case '[': {
            open_nested();
            Array items;
            bool first = true;
            while (next_element(first)) items.push_back(read_value());
            end_array();
            close_nested();
            return Value(std::move(items));
        }
        case '{': {
            open_nested();
            Object members;
            bool first = true;
            while (next_key(first)) {
                eat();
                std::string key = read_string();
                expect_colon();
                members.insert_or_assign(std::move(key), read_value());
            }
            end_object();
            close_nested();
            return Value(std::move(members));
        }
        default:
            fail_at_next("expected value");
    }
}

// Numbers that are only passed over are checked for form, not range; a number
// cut short by the end of the text is an invalid number here.
void Reader::skip_number() {
    scan_number(*this, "invalid number");
}

void Reader::skip_value() {
    // Brackets of the arrays and objects entered and not yet left.
    std::vector<char> open;
    for (;;) {
        // A value, or an opening bracket.
        bool opened = false;
        const int next = skip_whitespace();
        if (next < 0) {
            fail_at_next("EOF while parsing a value");
        } else if (starts_keyword(next)) {
            read_keyword(*this, next);
        } else if (starts_number(next)) {
            skip_number();
        } else if (next == '"') {
            eat();
            scan_string(nullptr);
        } else if (next == '[' || next == '{') {
            open.push_back(static_cast<char>(next));
            eat();
            opened = true;
        } else {
            fail_at_next("expected value");
        }
        if (open.empty()) return;
        // Close what ends here; stop after a comma, or before the first element
        // of a container just opened.
        bool accept_comma = !opened;
        for (;;) {
            const int c = skip_whitespace();
            const char frame = open.back();
            if (c < 0) {
                fail_at_next(frame == '[' ? "EOF while parsing a list"
                                          : "EOF while parsing an object");
            }
            if (c == ',' && accept_comma) {
                eat();
                break;
            }
            if ((c == ']' && frame == '[') || (c == '}' && frame == '{')) {
                eat();
                open.pop_back();
                if (open.empty()) return;
                accept_comma = true;
                continue;
            }
            if (accept_comma) {
                fail_at_next(frame == '[' ? "expected `,` or `]`" : "expected `,` or `}`");
            }
            break;
        }
        if (open.back() == '{') {
            const int c = skip_whitespace();
            if (c < 0) fail_at_next("EOF while parsing an object");
            if (c != '"') fail_at_next("key must be a string");
            eat();
            scan_string(nullptr);
            expect_colon();
        }
    }
}

void Reader::finish() {
    if (skip_whitespace() >= 0) fail_at_next("trailing characters");
}

std::string Reader::describe(const ReadError& error) const {
    const std::size_t at = std::min(error.consumed.value_or(pos_), text_.size());
    const std::string_view before = text_.substr(0, at);
    const std::size_t last_newline = before.rfind('\n');
    const std::size_t line_start = last_newline == std::string_view::npos ? 0 : last_newline + 1;
    const auto line =
        1 + static_cast<std::size_t>(std::count(
                before.begin(), before.begin() + static_cast<std::ptrdiff_t>(line_start), '\n'));
    std::string out = error.message;
    out += " at line ";
    out += std::to_string(line);
    out += " column ";
    out += std::to_string(at - line_start);
    return out;
}

}  // namespace kestrova::json
