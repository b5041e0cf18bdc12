#include "vibe/conditions.hpp"

#include <array>
#include <cmath>
#include <cstddef>

#include "types.hpp"
#include "vibe/compiler.hpp"
#include "vibe/number_grammar.hpp"
#include "vibe/unicode_whitespace.hpp"

namespace kestrova {

namespace {

constexpr double kEqualTolerance = 1e-6;

// Splits text into maximal runs of non-whitespace, stopping once more than
// three tokens are known (more than three never parses).
std::size_t tokenize_up_to_four(std::string_view text, std::array<std::string_view, 4>& tokens) {
    std::size_t count = 0;
    std::size_t pos = 0;
    std::size_t token_start = std::string_view::npos;
    while (pos < text.size()) {
        const std::size_t ws = whitespace_length(text, pos);
        if (ws == 0) {
            if (token_start == std::string_view::npos) token_start = pos;
            ++pos;
            continue;
        }
        if (token_start != std::string_view::npos) {
            tokens[count++] = text.substr(token_start, pos - token_start);
            token_start = std::string_view::npos;
            if (count == tokens.size()) return count;
        }
        pos += ws;
    }
    if (token_start != std::string_view::npos) tokens[count++] = text.substr(token_start);
    return count;
}

bool parse_operator(std::string_view token, CompareOp& op) {
    if (token == ">") {
        op = CompareOp::Greater;
    } else if (token == "<") {
        op = CompareOp::Less;
    } else if (token == ">=") {
        op = CompareOp::GreaterEqual;
    } else if (token == "<=") {
        op = CompareOp::LessEqual;
    } else if (token == "==") {
        op = CompareOp::Equal;
    } else {
        return false;
    }
    return true;
}

double reading_or_zero(const AttributeMap& attributes, const std::string& name) {
    return numeric_reading(attributes, name).value_or(0.0);
}

bool holds(const AttributeMap& attributes, const ParsedCondition& condition) {
    switch (condition.kind) {
        case ParsedCondition::Kind::Always:
            return true;
        case ParsedCondition::Kind::Never:
            return false;
        case ParsedCondition::Kind::Compare:
            return compare_numbers(condition.op, reading_or_zero(attributes, condition.name),
                                   condition.number);
    }
    return false;
}

}  // namespace

bool compare_numbers(CompareOp op, double left, double right) {
    switch (op) {
        case CompareOp::Greater:
            return left > right;
        case CompareOp::Less:
            return left < right;
        case CompareOp::GreaterEqual:
            return left >= right;
        case CompareOp::LessEqual:
            return left <= right;
        case CompareOp::Equal:
            return std::fabs(left - right) < kEqualTolerance;
    }
    return false;
}

ParsedCondition parse_condition(std::string_view text) {
    ParsedCondition parsed;
    std::array<std::string_view, 4> tokens;
    if (tokenize_up_to_four(text, tokens) == 3) {
        if (parse_operator(tokens[1], parsed.op)) {
            parsed.kind = ParsedCondition::Kind::Compare;
            parsed.name = std::string(tokens[0]);
            parsed.number = parse_decimal_number(tokens[2]).value_or(0.0);
        }
        return parsed;
    }
    // Any other token count: only the exact, untrimmed text "true" holds.
    if (text == "true") parsed.kind = ParsedCondition::Kind::Always;
    return parsed;
}

std::vector<ParsedCondition> parse_precondition(std::string_view text) {
    std::vector<ParsedCondition> pieces;
    std::size_t start = 0;
    while (true) {
        const std::size_t split = text.find("&&", start);
        const std::string_view piece = text.substr(
            start, split == std::string_view::npos ? std::string_view::npos : split - start);
        pieces.push_back(parse_condition(trim_whitespace(piece)));
        if (split == std::string_view::npos) break;
        start = split + 2;
    }
    return pieces;
}

bool eval_condition(const AttributeMap& attributes, std::string_view text) {
    return holds(attributes, parse_condition(text));
}

bool precondition_holds(const AttributeMap& attributes, std::string_view text) {
    for (const ParsedCondition& piece : parse_precondition(text)) {
        if (!holds(attributes, piece)) return false;
    }
    return true;
}

}  // namespace kestrova
