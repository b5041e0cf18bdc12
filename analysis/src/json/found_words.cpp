#include "json/found_words.hpp"

#include <charconv>
#include <cmath>
#include <variant>

#include "json/writer.hpp"

namespace kestrova::json {

std::string positional_double(double value) {
    if (!std::isfinite(value)) {  // inf/nan, not from text
        char buf[16];
        const auto res = std::to_chars(buf, buf + sizeof buf, value);
        return std::string(buf, res.ptr);
    }
    std::string out;
    append_positional(out, shortest_digits(value));
    return out;
}

std::string quoted_for_message(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    auto append_code = [&out](unsigned code) {
        out += "\\u{";
        if (code >= 0x10) out += kHex[code >> 4];
        out += kHex[code & 0xF];
        out += '}';
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    append_code(c);
                } else if (c == 0xC2 && i + 1 < text.size() &&
                           static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                           static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
                    // C1 controls U+0080..U+009F.
                    append_code(static_cast<unsigned char>(text[++i]));
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
    return out;
}

namespace {

struct FoundWords {
    std::string operator()(std::nullptr_t) const { return "null"; }
    std::string operator()(bool b) const { return b ? "boolean `true`" : "boolean `false`"; }
    std::string operator()(std::uint64_t u) const {
        std::string out = "integer `";
        append_unsigned(out, u);
        return out + '`';
    }
    std::string operator()(std::int64_t i) const {
        std::string out = "integer `";
        append_signed(out, i);
        return out + '`';
    }
    std::string operator()(double d) const {
        return "floating point `" + positional_double(d) + '`';
    }
    std::string operator()(const std::string& s) const { return "string " + quoted_for_message(s); }
    std::string operator()(const Array&) const { return "sequence"; }
    std::string operator()(const Object&) const { return "map"; }
};

}  // namespace

std::string found_words(const Value& value) {
    return std::visit(FoundWords{}, value.data);
}

}  // namespace kestrova::json
