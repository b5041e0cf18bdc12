// Condition texts parsed once, so they can be evaluated many times without
// re-tokenising; eval_condition and precondition_holds are built on these.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

enum class CompareOp { Greater, Less, GreaterEqual, LessEqual, Equal };

// One condition text: always true, never true, or NAME OP NUMBER.
struct ParsedCondition {
    enum class Kind { Never, Always, Compare };
    Kind kind = Kind::Never;
    std::string name;  // attribute compared (Compare only)
    CompareOp op = CompareOp::Equal;
    double number = 0.0;  // right-hand side; 0.0 when the text did not parse
};

ParsedCondition parse_condition(std::string_view text);

// A precondition text split at every "&&", each piece trimmed and parsed,
// in text order. The text holds when every piece holds.
std::vector<ParsedCondition> parse_precondition(std::string_view text);

// left OP right; false whenever an operand is NaN. Equal means closer than 1e-6.
bool compare_numbers(CompareOp op, double left, double right);

}  // namespace kestrova
