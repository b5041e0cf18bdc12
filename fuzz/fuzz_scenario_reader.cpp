// Arbitrary bytes into the scenario reader. Every outcome is a scenario or one error
// text of the documented forms, valid UTF-8, ending in a position that lies inside
// the text. An accepted scenario written back and read again writes the same text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "json/writer.hpp"
#include "utf8_check.hpp"
#include "vibe/scenario_reader.hpp"
#include "vibe/scenario_writer.hpp"

namespace {

constexpr std::string_view kFixedMessages[] = {
    "EOF while parsing a list",
    "EOF while parsing an object",
    "EOF while parsing a string",
    "EOF while parsing a value",
    "expected `:`",
    "expected `,` or `]`",
    "expected `,` or `}`",
    "expected ident",
    "expected value",
    "expected `\"`",
    "invalid escape",
    "invalid number",
    "number out of range",
    "invalid unicode code point",
    "control character (\\u0000-\\u001F) found while parsing a string",
    "key must be a string",
    "lone leading surrogate in hex escape",
    "trailing comma",
    "trailing characters",
    "unexpected end of hex escape",
    "recursion limit exceeded",
    "data did not match any variant of untagged enum EffectValue",
};

// Every record member; the only texts inside the two field errors.
constexpr std::string_view kMemberNames[] = {
    "version",     "metadata",      "time",     "resources", "variables",      "actions",
    "transitions", "constraints",   "goal",     "name",      "description",    "type",
    "horizon",     "initial",       "min",      "max",       "discretization", "cost",
    "effects",     "preconditions", "op",       "value",     "priority",       "condition",
    "mode",        "variable",      "operator", "conditions"};

// The allowed-spelling lists of the eight enumerations.
constexpr std::string_view kSpellingLists[] = {
    "`discrete`",
    "one of `float`, `int`, `bool`",
    "`recurring` or `triggered`",
    "one of `threshold`, `non_negative`, `forbidden_zone`",
    "`hard` or `soft`",
    "one of `threshold`, `reach_state`, `composite`",
    "one of `add`, `set`, `multiply`, `decrement`, `affine`",
    "one of `eq`, `gt`, `lt`, `gte`, `lte`",
};

bool all_digits(std::string_view s) {
    if (s.empty()) return false;
    for (const char c : s) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// Length of the found-value words at the start of `text`, or npos.
std::size_t found_words_length(std::string_view text) {
    for (const std::string_view word :
         {"null", "sequence", "map", "boolean `true`", "boolean `false`"}) {
        if (text.starts_with(word)) return word.size();
    }
    // "integer `-12`" and "floating point `-1.5`": digits, and for doubles one point.
    for (const bool integer : {true, false}) {
        const std::string_view head = integer ? "integer `" : "floating point `";
        if (!text.starts_with(head)) continue;
        const auto close = text.find('`', head.size());
        if (close == std::string_view::npos) return std::string_view::npos;
        std::string_view number = text.substr(head.size(), close - head.size());
        if (number.starts_with('-')) number.remove_prefix(1);
        const auto point = number.find('.');
        const bool shaped = integer ? all_digits(number)
                                    : point != std::string_view::npos &&
                                          all_digits(number.substr(0, point)) &&
                                          all_digits(number.substr(point + 1));
        return shaped ? close + 1 : std::string_view::npos;
    }
    if (text.starts_with("string \"")) {
        for (std::size_t i = 8; i < text.size(); ++i) {
            if (text[i] == '\\') {
                ++i;
            } else if (text[i] == '"') {
                return i + 1;
            }
        }
    }
    return std::string_view::npos;
}

bool known_message(std::string_view message) {
    for (const std::string_view fixed : kFixedMessages) {
        if (message == fixed) return true;
    }
    for (const std::string_view head : {"missing field `", "duplicate field `"}) {
        if (!message.starts_with(head) || !message.ends_with('`')) continue;
        const auto name = message.substr(head.size(), message.size() - head.size() - 1);
        for (const std::string_view member : kMemberNames) {
            if (name == member) return true;
        }
        return false;
    }
    if (message.starts_with("unknown variant `")) {
        for (const std::string_view list : kSpellingLists) {
            if (message.ends_with("`, expected " + std::string(list))) return true;
        }
        return false;
    }
    for (const std::string_view head : {"invalid type: ", "invalid value: "}) {
        if (!message.starts_with(head)) continue;
        const auto rest = message.substr(head.size());
        const auto found = found_words_length(rest);
        if (found == std::string_view::npos) return false;
        const auto expectation = rest.substr(found);
        return expectation.starts_with(", expected ") && expectation.size() > 11;
    }
    if (message.starts_with("invalid length ")) {
        const auto rest = message.substr(15);
        const auto comma = rest.find(", expected struct ");
        return comma != std::string_view::npos && all_digits(rest.substr(0, comma)) &&
               rest.ends_with(" elements");
    }
    return false;
}

// "<message> at line L column C", where line L exists and has at least C bytes.
bool placed_in_text(std::string_view error, std::string_view text) {
    const auto at = error.rfind(" at line ");
    if (at == std::string_view::npos) return false;
    if (!known_message(error.substr(0, at))) return false;
    const std::string_view place = error.substr(at + 9);
    const auto column_word = place.find(" column ");
    if (column_word == std::string_view::npos) return false;
    const auto line_text = place.substr(0, column_word);
    const auto column_text = place.substr(column_word + 8);
    if (!all_digits(line_text) || !all_digits(column_text)) return false;
    if (line_text.size() > 12 || column_text.size() > 12) return false;
    const std::size_t line = std::stoull(std::string(line_text));
    const std::size_t column = std::stoull(std::string(column_text));
    if (line == 0) return false;
    std::size_t line_start = 0;
    for (std::size_t l = 1; l < line; ++l) {
        const auto newline = text.find('\n', line_start);
        if (newline == std::string_view::npos) return false;
        line_start = newline + 1;
    }
    const auto line_end = std::min(text.find('\n', line_start), text.size());
    return column <= line_end - line_start;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto result = kestrova::read_scenario(text);
    if (result.schema.has_value() == !result.error.empty()) std::abort();
    if (!result.schema) {
        if (!kestrova::fuzz::valid_utf8(result.error)) std::abort();
        if (!placed_in_text(result.error, text)) std::abort();
        return 0;
    }
    // Written back, the scenario reads again and writes the very same text.
    const std::string written =
        kestrova::json::to_compact(kestrova::write_scenario(*result.schema));
    const auto again = kestrova::read_scenario(written);
    if (!again.schema) std::abort();
    if (kestrova::json::to_compact(kestrova::write_scenario(*again.schema)) != written)
        std::abort();
    return 0;
}
