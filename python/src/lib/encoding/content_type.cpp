#include "encoding/content_type.hpp"

#include <algorithm>
#include <cstddef>

namespace kestrova::encoding {
namespace {

bool is_http_whitespace(char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

bool is_token_char(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    switch (c) {
        case '!':
        case '#':
        case '$':
        case '%':
        case '&':
        case '\'':
        case '*':
        case '+':
        case '-':
        case '.':
        case '^':
        case '_':
        case '`':
        case '|':
        case '~':
            return true;
        default:
            return false;
    }
}

bool is_quoted_string_char(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte == '\t' || (byte >= 0x20 && byte <= 0x7E) || byte >= 0x80;
}

bool is_token(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), is_token_char);
}

std::string_view trim_trailing_whitespace(std::string_view text) {
    while (!text.empty() && is_http_whitespace(text.back())) text.remove_suffix(1);
    return text;
}

std::string lower_ascii(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return lowered;
}

// Reads from `position` up to (not including) the first of `stops`, or the end.
std::string_view collect_until(std::string_view text, std::size_t& position,
                               std::string_view stops) {
    const std::size_t start = position;
    const std::size_t end = text.find_first_of(stops, position);
    position = end == std::string_view::npos ? text.size() : end;
    return text.substr(start, position - start);
}

// `text[position]` is the opening quote. Backslash escapes the next character; an
// unterminated string runs to the end.
std::string collect_quoted_string(std::string_view text, std::size_t& position) {
    std::string value;
    ++position;
    for (;;) {
        value += collect_until(text, position, "\"\\");
        if (position >= text.size()) break;
        const char quote_or_backslash = text[position++];
        if (quote_or_backslash == '"') break;
        if (position >= text.size()) {
            value.push_back('\\');
            break;
        }
        value.push_back(text[position++]);
    }
    return value;
}

}  // namespace

std::optional<MediaType> parse_media_type(std::string_view text) {
    while (!text.empty() && is_http_whitespace(text.front())) text.remove_prefix(1);
    text = trim_trailing_whitespace(text);

    std::size_t position = 0;
    const std::string_view type = collect_until(text, position, "/");
    if (!is_token(type) || position >= text.size()) return std::nullopt;
    ++position;
    const std::string_view subtype = trim_trailing_whitespace(collect_until(text, position, ";"));
    if (!is_token(subtype)) return std::nullopt;

    MediaType media_type{lower_ascii(type), lower_ascii(subtype), {}};
    while (position < text.size()) {
        ++position;  // the ";"
        while (position < text.size() && is_http_whitespace(text[position])) ++position;
        const std::string name = lower_ascii(collect_until(text, position, ";="));
        if (position < text.size()) {
            if (text[position] == ';') continue;
            ++position;  // the "="
        }
        if (position >= text.size()) break;
        std::string value;
        if (text[position] == '"') {
            value = collect_quoted_string(text, position);
            collect_until(text, position, ";");
        } else {
            value = std::string(trim_trailing_whitespace(collect_until(text, position, ";")));
            if (value.empty()) continue;
        }
        const bool known =
            std::any_of(media_type.parameters.begin(), media_type.parameters.end(),
                        [&](const auto& parameter) { return parameter.first == name; });
        if (is_token(name) && std::all_of(value.begin(), value.end(), is_quoted_string_char) &&
            !known) {
            media_type.parameters.emplace_back(name, std::move(value));
        }
    }
    return media_type;
}

std::optional<std::string> charset_parameter(std::string_view content_type) {
    const bool printable = std::all_of(content_type.begin(), content_type.end(), [](char c) {
        return c == '\t' || (c >= 0x20 && c <= 0x7E);
    });
    if (!printable) return std::nullopt;
    std::optional<MediaType> media_type = parse_media_type(content_type);
    if (!media_type) return std::nullopt;
    for (auto& [name, value] : media_type->parameters) {
        if (name == "charset") return std::move(value);
    }
    return std::nullopt;
}

}  // namespace kestrova::encoding
