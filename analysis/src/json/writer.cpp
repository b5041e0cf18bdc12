#include "json/writer.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace kestrova::json {

ShortestDigits shortest_digits(double value) {
    // Shortest round-trip digits in scientific form, e.g. "-1.5e-07".
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
    ShortestDigits decimal{sci.front() == '-', {}, 0};
    if (decimal.negative) sci.remove_prefix(1);
    const std::size_t e_pos = sci.find('e');
    for (char c : sci.substr(0, e_pos)) {
        if (c != '.') decimal.digits += c;
    }
    decimal.exponent = std::atoi(std::string(sci.substr(e_pos + 1)).c_str());
    return decimal;
}

void append_positional(std::string& out, const ShortestDigits& decimal) {
    const std::string& digits = decimal.digits;
    if (decimal.negative) out += '-';
    if (decimal.exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-decimal.exponent - 1), '0');
        out += digits;
        return;
    }
    const auto int_len = static_cast<std::size_t>(decimal.exponent) + 1;
    if (digits.size() <= int_len) {
        out += digits;
        out.append(int_len - digits.size(), '0');
        out += ".0";
    } else {
        out.append(digits, 0, int_len);
        out += '.';
        out.append(digits, int_len);
    }
}

void append_double(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    const ShortestDigits decimal = shortest_digits(value);
    if (decimal.exponent >= -5 && decimal.exponent <= 15) {
        append_positional(out, decimal);
        return;
    }
    if (decimal.negative) out += '-';
    out += decimal.digits[0];
    if (decimal.digits.size() > 1) {
        out += '.';
        out.append(decimal.digits, 1);
    }
    out += 'e';
    out += decimal.exponent < 0 ? '-' : '+';
    append_unsigned(out, static_cast<std::uint64_t>(std::abs(decimal.exponent)));
}

void append_string(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 0xF];
                } else {
                    out += ch;
                }
        }
    }
    out += '"';
}

void append_unsigned(std::string& out, std::uint64_t value) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, res.ptr);
}

void append_signed(std::string& out, std::int64_t value) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, res.ptr);
}

namespace {

struct ValueAppender {
    std::string& out;
    void operator()(std::nullptr_t) const { out += "null"; }
    void operator()(bool b) const { out += b ? "true" : "false"; }
    void operator()(std::uint64_t u) const { append_unsigned(out, u); }
    void operator()(std::int64_t i) const { append_signed(out, i); }
    void operator()(double d) const { append_double(out, d); }
    void operator()(const std::string& s) const { append_string(out, s); }
    void operator()(const Array& a) const {
        out += '[';
        bool first = true;
        for (const auto& item : a) {
            if (!first) out += ',';
            first = false;
            append_value(out, item);
        }
        out += ']';
    }
    void operator()(const Object& o) const {
        out += '{';
        bool first = true;
        for (const auto& [key, item] : o) {
            if (!first) out += ',';
            first = false;
            append_string(out, key);
            out += ':';
            append_value(out, item);
        }
        out += '}';
    }
};

}  // namespace

// Values nest at most as deep as the reader allows (128 levels), so recursion is bounded.
void append_value(std::string& out, const Value& value) {
    std::visit(ValueAppender{out}, value.data);
}

std::string to_compact(const Value& value) {
    std::string out;
    append_value(out, value);
    return out;
}

}  // namespace kestrova::json
