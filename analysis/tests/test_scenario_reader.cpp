#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "scenario_text.hpp"
#include "vibe/scenario_reader.hpp"

namespace kestrova {
namespace {

using testing::scenario_text;
using testing::scenario_with;

std::string read_error(std::string_view text) {
    ScenarioReadResult result = read_scenario(text);
    EXPECT_FALSE(result.schema.has_value()) << text;
    return result.error;
}

VibeSchema read_ok(std::string_view text) {
    ScenarioReadResult result = read_scenario(text);
    EXPECT_TRUE(result.schema.has_value()) << result.error << "\n" << text;
    return result.schema ? std::move(*result.schema) : VibeSchema{};
}

// The variable "x" whose `initial` is `text`.
json::Value initial_of(std::string_view text) {
    const std::string doc = scenario_with(testing::kVariablesLine,
                                          R"("variables": {"x": {"type": "int", "initial": )" +
                                              std::string(text) + R"(, "discretization": 1}},)");
    const VibeSchema schema = read_ok(doc);
    const VariableDefinition* x = schema.variables.find("x");
    return x ? x->initial : json::Value("<missing>");
}

TEST(ScenarioReader, ReadsEveryMember) {
    const VibeSchema s = read_ok(scenario_text());
    EXPECT_EQ(s.version, "1.0");
    EXPECT_EQ(s.metadata, (Metadata{"demo", "a test"}));
    EXPECT_EQ(s.time, (TimeConfig{TimeType::Discrete, 3}));
    ASSERT_EQ(s.resources.size(), 1u);
    EXPECT_EQ(*s.resources.find("energy"), (ResourceDefinition{10.0, 0.0, 20.0}));
    ASSERT_EQ(s.variables.size(), 1u);
    EXPECT_EQ(
        *s.variables.find("x"),
        (VariableDefinition{VariableType::Int, json::Value(std::uint64_t{0}), 0.0, 5.0, 1.0}));

    ASSERT_EQ(s.actions.size(), 1u);
    const ActionDefinition& step = s.actions[0];
    EXPECT_EQ(step.name, "step");
    ASSERT_NE(step.cost.find("energy"), nullptr);
    EXPECT_EQ(*step.cost.find("energy"), 1.0);
    ASSERT_NE(step.effects.find("x"), nullptr);
    EXPECT_EQ(*step.effects.find("x"), (Effect{EffectOp::Add, 1.0}));
    EXPECT_EQ(step.preconditions, (std::vector<std::string>{"x < 5"}));

    ASSERT_EQ(s.transitions.size(), 1u);
    const TransitionDefinition& decay = s.transitions[0];
    EXPECT_EQ(decay.name, "decay");
    EXPECT_EQ(decay.type, TransitionType::Recurring);
    EXPECT_EQ(decay.priority, 1);
    EXPECT_EQ(decay.condition, "x > 0");
    EXPECT_EQ(*decay.effects.find("x"), (Effect{EffectOp::Decrement, 0.5}));

    ASSERT_EQ(s.constraints.size(), 1u);
    EXPECT_EQ(s.constraints[0],
              (ConstraintDefinition{ConstraintType::Threshold, ConstraintMode::Hard, "x",
                                    Operator::Lte, 5.0}));
    EXPECT_EQ(s.goal.type, GoalType::Threshold);
    EXPECT_EQ(s.goal.conditions, (std::vector<GoalCondition>{{"x", Operator::Gte, 3.0}}));
}

struct ErrorCase {
    std::string text;
    std::string error;
};

// Texts that fail as a whole, with the error text and position each gives.
TEST(ScenarioReader, SyntaxAndRootErrors) {
    const std::vector<ErrorCase> cases = {
        {"", "EOF while parsing a value at line 1 column 0"},
        {" \n ", "EOF while parsing a value at line 2 column 1"},
        {"{}", "missing field `version` at line 1 column 2"},
        {"[]", "invalid length 0, expected struct VibeSchema with 9 elements at line 1 column 2"},
        {"null", "invalid type: null, expected struct VibeSchema at line 1 column 4"},
        {"true", "invalid type: boolean `true`, expected struct VibeSchema at line 1 column 4"},
        {"-2.50",
         "invalid type: floating point `-2.5`, expected struct VibeSchema at line 1 column 5"},
        {R"("a\tb\u0001")",
         R"(invalid type: string "a\tb\u{1}", expected struct VibeSchema at line 1 column 12)"},
        {"\"\x7f\xc2\x85\xc3\xa9`\"",
         "invalid type: string \"\\u{7f}\\u{85}\xc3\xa9`\", expected struct VibeSchema at line 1 "
         "column 8"},
        {"1.5e-7",
         "invalid type: floating point `0.00000015`, expected struct VibeSchema at line 1 column "
         "6"},
        {"x", "expected value at line 1 column 1"},
        {"nul", "EOF while parsing a value at line 1 column 3"},
        {"nux", "expected ident at line 1 column 3"},
        {R"({"version": 1})", "invalid type: integer `1`, expected a string at line 1 column 13"},
        {R"({"version": "1", "version": "2"})", "duplicate field `version` at line 1 column 26"},
        {R"({"version": "1", "version" : "2"})", "duplicate field `version` at line 1 column 27"},
        {R"({"version": "1")", "EOF while parsing an object at line 1 column 15"},
        {R"({"version": "1",})", "trailing comma at line 1 column 17"},
        {R"({"version": "1",)", "EOF while parsing a value at line 1 column 16"},
        {R"({"version" "1"})", "expected `:` at line 1 column 12"},
        {R"({"version")", "EOF while parsing an object at line 1 column 10"},
        {R"({"time": {"type": {"discrete": null)",
         "EOF while parsing an object at line 1 column 35"},
        {R"({"version": "1)", "EOF while parsing a string at line 1 column 14"},
        {R"({1: 2})", "key must be a string at line 1 column 2"},
        {R"({"version": "1" "x"})", "expected `,` or `}` at line 1 column 17"},
        {R"({"version": "1", 2})", "key must be a string at line 1 column 18"},
        // Unknown members are skipped, but must still be valid JSON.
        {R"({"version": "1", "comment": [1, {"a": [true]}], })",
         "trailing comma at line 1 column 49"},
        {R"({"version": "1", "comment": [1, }})", "expected value at line 1 column 33"},
        {R"({"comment": [[[[)", "EOF while parsing a list at line 1 column 16"},
        {R"({"comment": {"a" 1}})", "expected `:` at line 1 column 18"},
        {R"({"comment": [01]})", "invalid number at line 1 column 15"},
        {R"({"comment": "\q"})", "invalid escape at line 1 column 15"},
        // Array form of records.
        {R"(["1")", "EOF while parsing a list at line 1 column 4"},
        {R"(["1" "2"])", "expected `,` or `]` at line 1 column 6"},
        {R"(["1", {"name": 5}])",
         "invalid type: integer `5`, expected a string at line 1 column 16"},
        {R"(["1", []])",
         "invalid length 0, expected struct Metadata with 2 elements at line 1 column 8"},
        {R"(["1", ["n"]])",
         "invalid length 1, expected struct Metadata with 2 elements at line 1 column 11"},
        {R"(["1", ["n", null, 3]])", "trailing characters at line 1 column 19"},
        {R"(["1", ["n", null,]])", "trailing comma at line 1 column 18"},
        {scenario_text() + "\n}", "trailing characters at line 10 column 1"},
        {scenario_text() + " x", "trailing characters at line 9 column 98"},
    };
    for (const ErrorCase& c : cases) EXPECT_EQ(read_error(c.text), c.error) << c.text;
}

struct LineCase {
    std::size_t line;
    std::string text;
    std::string error;
};

// One root member replaced; the error's line is that member's line.
TEST(ScenarioReader, MemberErrors) {
    using namespace testing;
    const std::vector<LineCase> cases = {
        // Enumerations.
        {kTimeLine, R"("time": {"type": "continuous", "horizon": 3},)",
         "unknown variant `continuous`, expected `discrete` at line 3 column 29"},
        {kTransitionsLine,
         R"("transitions": [{"name": "t", "type": "sometimes", "priority": 0, "effects": {}}],)",
         "unknown variant `sometimes`, expected `recurring` or `triggered` at line 7 column 49"},
        {kVariablesLine,
         R"("variables": {"x": {"type": "double", "initial": 0, "discretization": 1}},)",
         "unknown variant `double`, expected one of `float`, `int`, `bool` at line 5 column 36"},
        {kVariablesLine,
         R"("variables": {"x": {"type": "Int", "initial": 0, "discretization": 1}},)",
         "unknown variant `Int`, expected one of `float`, `int`, `bool` at line 5 column 33"},
        {kActionsLine,
         R"("actions": [{"name": "a", "cost": {}, "effects": {"x": {"op": "sub", "value": 1}}}],)",
         "unknown variant `sub`, expected one of `add`, `set`, `multiply`, `decrement`, `affine` "
         "at line 6 column 67"},
        {kVariablesLine,
         R"("variables": {"x": {"type": null, "initial": 0, "discretization": 1}},)",
         "expected value at line 5 column 29"},
        {kVariablesLine, R"("variables": {"x": {"type": 1, "initial": 0, "discretization": 1}},)",
         "expected value at line 5 column 29"},
        {kVariablesLine,
         R"("variables": {"x": {"type": ["int"], "initial": 0, "discretization": 1}},)",
         "expected value at line 5 column 29"},
        {kVariablesLine,
         R"("variables": {"x": {"type": {"int": 1}, "initial": 0, "discretization": 1}},)",
         "invalid type: integer `1`, expected unit at line 5 column 37"},
        {kVariablesLine,
         R"("variables": {"x": {"type": {"int": null, "bool": null}, "initial": 0, "discretization": 1}},)",
         "expected value at line 5 column 40"},
        {kVariablesLine,
         R"("variables": {"x": {"type": {"integer": null}, "initial": 0, "discretization": 1}},)",
         "unknown variant `integer`, expected one of `float`, `int`, `bool` at line 5 column 38"},
        {kVariablesLine, R"("variables": {"x": {"type": {}, "initial": 0, "discretization": 1}},)",
         "expected value at line 5 column 30"},
        {kVariablesLine,
         R"("variables": {"x": {"type": {"int" null}, "initial": 0, "discretization": 1}},)",
         "expected `:` at line 5 column 36"},
        {kConstraintsLine,
         R"("constraints": [{"type": "threshold", "mode": {"hard": 1}, "variable": "x"}],)",
         "invalid type: integer `1`, expected unit at line 8 column 56"},

        // Sizes and 32-bit integers.
        {kTimeLine, R"("time": {"type": "discrete", "horizon": -1},)",
         "invalid value: integer `-1`, expected an unsigned size at line 3 column 42"},
        {kTimeLine, R"("time": {"type": "discrete", "horizon": 2.5},)",
         "invalid type: floating point `2.5`, expected an unsigned size at line 3 column 43"},
        {kTimeLine, R"("time": {"type": "discrete", "horizon": 1e2},)",
         "invalid type: floating point `100.0`, expected an unsigned size at line 3 column 43"},
        {kTimeLine, R"("time": {"type": "discrete", "horizon": -0},)",
         "invalid type: floating point `-0.0`, expected an unsigned size at line 3 column 42"},
        {kTimeLine, R"("time": {"type": "discrete", "horizon": "3"},)",
         R"(invalid type: string "3", expected an unsigned size at line 3 column 43)"},
        {kTimeLine, R"("time": {"type": "discrete", "horizon": null},)",
         "invalid type: null, expected an unsigned size at line 3 column 44"},
        {kTimeLine, R"("time": {"type": "discrete", "horizon": [3]},)",
         "invalid type: sequence, expected an unsigned size at line 3 column 40"},
        {kTransitionsLine,
         R"("transitions": [{"name": "t", "type": "recurring", "priority": 2147483648, "effects": {}}],)",
         "invalid value: integer `2147483648`, expected a signed 32-bit integer at line 7 column "
         "73"},
        {kTransitionsLine,
         R"("transitions": [{"name": "t", "type": "recurring", "priority": -2147483649, "effects": {}}],)",
         "invalid value: integer `-2147483649`, expected a signed 32-bit integer at line 7 column "
         "74"},
        {kTransitionsLine,
         R"("transitions": [{"name": "t", "type": "recurring", "priority": 1.0, "effects": {}}],)",
         "invalid type: floating point `1.0`, expected a signed 32-bit integer at line 7 column "
         "66"},

        // Plain numbers.
        {kResourcesLine, R"("resources": {"energy": {"initial": "10", "min": 0}},)",
         R"(invalid type: string "10", expected a number at line 4 column 40)"},
        {kResourcesLine, R"("resources": {"energy": {"initial": 1e999, "min": 0}},)",
         "number out of range at line 4 column 41"},
        {kResourcesLine, R"("resources": {"energy": {"initial": -1e999, "min": 0}},)",
         "number out of range at line 4 column 42"},
        {kResourcesLine, R"("resources": {"energy": {"initial": 01, "min": 0}},)",
         "invalid number at line 4 column 38"},
        {kResourcesLine, R"("resources": {"energy": {"initial": 1., "min": 0}},)",
         "invalid number at line 4 column 39"},
        {kResourcesLine, R"("resources": {"energy": {"initial": -, "min": 0}},)",
         "invalid number at line 4 column 38"},
        {kResourcesLine, R"("resources": {"energy": {"initial": 1e+, "min": 0}},)",
         "invalid number at line 4 column 40"},
        {kResourcesLine, R"("resources": {"energy": {"initial": .5, "min": 0}},)",
         "expected value at line 4 column 37"},
        {kResourcesLine, R"("resources": {"energy": {"initial": +1, "min": 0}},)",
         "expected value at line 4 column 37"},
        {kResourcesLine, R"("resources": {"energy": {"initial": NaN, "min": 0}},)",
         "expected value at line 4 column 37"},

        // Records, maps and lists.
        {kTimeLine, R"("time": {"type": "discrete"},)",
         "missing field `horizon` at line 3 column 28"},
        {kTimeLine, R"("time": {"horizon": 3, "type": "discrete", "horizon": 4},)",
         "duplicate field `horizon` at line 3 column 52"},
        {kTimeLine, R"("time": ["discrete"],)",
         "invalid length 1, expected struct TimeConfig with 2 elements at line 3 column 20"},
        {kTimeLine, R"("time": 3,)",
         "invalid type: integer `3`, expected struct TimeConfig at line 3 column 9"},
        {kMetadataLine, R"("metadata": {"description": null},)",
         "missing field `name` at line 2 column 33"},
        {kMetadataLine, R"("metadata": {"name": "n", "description": true},)",
         "invalid type: boolean `true`, expected a string at line 2 column 45"},
        {kMetadataLine, R"("metadata": {"name": "n", "description": nul},)",
         "expected ident at line 2 column 45"},
        {kResourcesLine, R"("resources": {"energy": {"initial": 10}},)",
         "missing field `min` at line 4 column 39"},
        {kResourcesLine, R"("resources": [],)",
         "invalid type: sequence, expected a map at line 4 column 13"},
        {kVariablesLine, R"("variables": {"x": {"type": "int", "discretization": 1}},)",
         "missing field `initial` at line 5 column 55"},
        {kActionsLine, R"("actions": {},)",
         "invalid type: map, expected a sequence at line 6 column 11"},
        {kActionsLine, R"("actions": [{"name": "a", "cost": {"energy": "1"}, "effects": {}}],)",
         R"(invalid type: string "1", expected a number at line 6 column 48)"},
        {kConstraintsLine, R"("constraints": [{"type": "threshold", "mode": "hard"}],)",
         "missing field `variable` at line 8 column 53"},
        {kGoalLine,
         R"("goal": {"type": "threshold", "conditions": [{"variable": "x", "operator": "gte"}]}})",
         "missing field `value` at line 9 column 81"},
        {kGoalLine, R"("goal": {"type": "threshold", "conditions": [5]}})",
         "invalid type: integer `5`, expected struct GoalCondition at line 9 column 46"},

        // Effect values: the error is placed where the effect record stops reading.
        {kActionsLine,
         R"("actions": [{"name": "step", "cost": {}, "effects": {"x": {"op": "add", "value": true}}}],)",
         "data did not match any variant of untagged enum EffectValue at line 6 column 86"},
        {kActionsLine,
         R"("actions": [{"name": "step", "cost": {}, "effects": {"x": {"op": "add", "value": null}}}],)",
         "data did not match any variant of untagged enum EffectValue at line 6 column 86"},
        {kActionsLine,
         R"("actions": [{"name": "step", "cost": {}, "effects": {"x": {"value": [1], "op": "add"}}}],)",
         "data did not match any variant of untagged enum EffectValue at line 6 column 71"},
        {kActionsLine,
         R"("actions": [{"name": "step", "cost": {}, "effects": {"x": ["add", {}]}}],)",
         "data did not match any variant of untagged enum EffectValue at line 6 column 69"},
        {kActionsLine,
         R"("actions": [{"name": "step", "cost": {}, "effects": {"x": {"op": "add", "value": "\uDD1E"}}}],)",
         "lone leading surrogate in hex escape at line 6 column 88"},

        // Strings.
        {kMetadataLine, "\"metadata\": {\"name\": \"a\x01\"},",
         R"(control character (\u0000-\u001F) found while parsing a string at line 2 column 24)"},
        {kMetadataLine, R"("metadata": {"name": "\x"},)", "invalid escape at line 2 column 24"},
        {kMetadataLine, R"("metadata": {"name": "\u12G4"},)", "invalid escape at line 2 column 27"},
        {kMetadataLine, R"("metadata": {"name": "\uDC00"},)",
         "lone leading surrogate in hex escape at line 2 column 28"},
        {kMetadataLine, R"("metadata": {"name": "\uD800x"},)",
         "unexpected end of hex escape at line 2 column 29"},
        {kMetadataLine, R"("metadata": {"name": "\uD800\n"},)",
         "unexpected end of hex escape at line 2 column 30"},
        {kMetadataLine, R"("metadata": {"name": "\uD800\u0041"},)",
         "lone leading surrogate in hex escape at line 2 column 34"},
        {kMetadataLine, R"("metadata": {"name": "\uD800\uD800"},)",
         "lone leading surrogate in hex escape at line 2 column 34"},
        {kMetadataLine, "\"metadata\": {\"name\": \"\xff\"},",
         "invalid unicode code point at line 2 column 23"},
        {kMetadataLine, "\"metadata\": {\"name\": \"\xc0\xaf\"},",
         "invalid unicode code point at line 2 column 23"},
        {kMetadataLine, "\"metadata\": {\"name\": \"\xed\xa0\x80\"},",
         "invalid unicode code point at line 2 column 24"},
        {kMetadataLine, "\"metadata\": {\"name\": \"\xe2\x82\"},",
         "invalid unicode code point at line 2 column 25"},
        {kMetadataLine, "\"metadata\": {\"comment\": \"\xf4\x90\x80\x80\", \"name\": \"n\"},",
         "invalid unicode code point at line 2 column 27"},
    };
    for (const LineCase& c : cases) {
        EXPECT_EQ(read_error(scenario_with(c.line, c.text)), c.error) << c.text;
    }
}

TEST(ScenarioReader, EndOfTextInsideHexEscapeAndString) {
    EXPECT_EQ(read_error(R"({"version": "\u12)"), "EOF while parsing a string at line 1 column 17");
    EXPECT_EQ(read_error(R"({"version": "\uD800)"),
              "EOF while parsing a string at line 1 column 19");
    EXPECT_EQ(read_error(R"({"version": "\uD800\)"),
              "EOF while parsing a string at line 1 column 20");
    EXPECT_EQ(read_error(R"({"version": "\)"), "EOF while parsing a string at line 1 column 14");
    EXPECT_EQ(read_error("{\"version\": \"\xe2\x82"),
              "EOF while parsing a string at line 1 column 15");
}

TEST(ScenarioReader, UnknownMembersAreSkippedAtEveryLevel) {
    using namespace testing;
    std::string doc = scenario_text();
    doc.insert(1, R"("comment": {"deep": [1, -2.5e-3, "\uDD1E", {"k": [true, false, null]}]}, )");
    std::string expected_doc = scenario_text();
    EXPECT_EQ(read_ok(doc), read_ok(expected_doc));

    const VibeSchema s = read_ok(scenario_with(
        kActionsLine,
        R"("actions": [{"note": 1e999, "name": "a", "cost": {}, "effects": {"x": {"op": "set", "value": "y", "why": {}}}}],)"));
    ASSERT_EQ(s.actions.size(), 1u);
    EXPECT_EQ(*s.actions[0].effects.find("x"), (Effect{EffectOp::Set, std::string("y")}));

    // Skipped values are not nested on the stack and do not count toward the depth limit.
    const std::string deep(200000, '[');
    doc = scenario_text();
    doc.insert(1, R"("comment": )" + deep + std::string(200000, ']') + ", ");
    EXPECT_TRUE(read_scenario(doc).schema.has_value());
    EXPECT_EQ(read_error(R"({"comment": )" + deep),
              "EOF while parsing a list at line 1 column 200012");
}

TEST(ScenarioReader, OptionalMembers) {
    using namespace testing;
    // Missing and null both mean absent.
    VibeSchema s = read_ok(scenario_with(
        kResourcesLine,
        R"("resources": {"a": {"initial": 1, "min": 0}, "b": {"initial": 1, "min": 0, "max": null}},)"));
    EXPECT_FALSE(s.resources.find("a")->max.has_value());
    EXPECT_FALSE(s.resources.find("b")->max.has_value());

    s = read_ok(scenario_with(
        kVariablesLine,
        R"("variables": {"x": {"type": "bool", "initial": null, "discretization": 1}},)"));
    EXPECT_EQ(*s.variables.find("x"),
              (VariableDefinition{VariableType::Bool, json::Value(), {}, {}, 1.0}));

    s = read_ok(
        scenario_with(kActionsLine, R"("actions": [{"name": "a", "cost": {}, "effects": {}}],)"));
    EXPECT_FALSE(s.actions[0].preconditions.has_value());
    s = read_ok(scenario_with(
        kActionsLine,
        R"("actions": [{"name": "a", "cost": {}, "effects": {}, "preconditions": []}],)"));
    EXPECT_EQ(s.actions[0].preconditions, std::vector<std::string>{});

    s = read_ok(scenario_with(
        kTransitionsLine,
        R"("transitions": [{"name": "t", "type": "triggered", "priority": -2147483648, "effects": {}}],)"));
    EXPECT_EQ(s.transitions[0].priority, std::numeric_limits<std::int32_t>::min());
    EXPECT_FALSE(s.transitions[0].condition.has_value());

    s = read_ok(scenario_with(
        kConstraintsLine,
        R"("constraints": [{"type": "forbidden_zone", "mode": "soft", "variable": "x", "operator": null}],)"));
    EXPECT_EQ(s.constraints[0],
              (ConstraintDefinition{ConstraintType::ForbiddenZone, ConstraintMode::Soft, "x",
                                    std::nullopt, std::nullopt}));

    s = read_ok(scenario_with(kMetadataLine, R"("metadata": {"name": "n"},)"));
    EXPECT_FALSE(s.metadata.description.has_value());
}

TEST(ScenarioReader, ArrayFormOfRecordsReadsLikeObjectForm) {
    const std::string array_form =
        R"(["1.0", ["demo", "a test"], ["discrete", 3], {"energy": [10, 0, 20]},)"
        R"( {"x": ["int", 0, 0, 5, 1]},)"
        R"( [["step", {"energy": 1}, {"x": ["add", 1]}, ["x < 5"]]],)"
        R"( [["decay", "recurring", 1, "x > 0", {"x": ["decrement", 0.5]}]],)"
        R"( [["threshold", "hard", "x", "lte", 5]],)"
        R"( ["threshold", [["x", "gte", 3]]]])";
    EXPECT_EQ(read_ok(array_form), read_ok(scenario_text()));

    // Every member must be given, optional ones as null.
    EXPECT_EQ(read_error(R"(["1.0", ["demo"]])"),
              "invalid length 1, expected struct Metadata with 2 elements at line 1 column 16");
    const VibeSchema s = read_ok(
        R"(["v", ["n", null], ["discrete", 0], {}, {}, [], [], [["non_negative", "soft", "y", null, null]], ["composite", []]])");
    EXPECT_EQ(s.constraints[0],
              (ConstraintDefinition{ConstraintType::NonNegative, ConstraintMode::Soft, "y",
                                    std::nullopt, std::nullopt}));

    std::string eight = array_form;
    eight.erase(eight.rfind(", [\"threshold\", [["));
    eight += "]";
    EXPECT_EQ(read_error(eight),
              "invalid length 8, expected struct VibeSchema with 9 elements at line 1 column " +
                  std::to_string(eight.size()));
    std::string ten = array_form;
    ten.insert(ten.size() - 1, ", 0");
    EXPECT_EQ(read_error(ten),
              "trailing characters at line 1 column " + std::to_string(ten.size() - 1));
}

TEST(ScenarioReader, EnumerationsAsSingleMemberObjects) {
    using namespace testing;
    const VibeSchema s = read_ok(scenario_with(
        kConstraintsLine,
        R"("constraints": [{"type": {"non_negative": null}, "mode": { "hard" : null }, "variable": "x", "operator": {"eq": null}}],)"));
    EXPECT_EQ(s.constraints[0].type, ConstraintType::NonNegative);
    EXPECT_EQ(s.constraints[0].mode, ConstraintMode::Hard);
    EXPECT_EQ(s.constraints[0].op, Operator::Eq);
}

TEST(ScenarioReader, EveryEnumerationSpelling) {
    using namespace testing;
    for (std::size_t i = 0; i < kVariableTypeNames.size(); ++i) {
        const VibeSchema s = read_ok(
            scenario_with(kVariablesLine, R"("variables": {"x": {"type": ")" +
                                              std::string(kVariableTypeNames[i]) +
                                              R"(", "initial": 0, "discretization": 1}},)"));
        EXPECT_EQ(static_cast<std::size_t>(s.variables.find("x")->type), i);
    }
    for (std::size_t i = 0; i < kEffectOpNames.size(); ++i) {
        const VibeSchema s = read_ok(scenario_with(
            kActionsLine, R"("actions": [{"name": "a", "cost": {}, "effects": {"x": {"op": ")" +
                              std::string(kEffectOpNames[i]) + R"(", "value": 1}}}],)"));
        EXPECT_EQ(static_cast<std::size_t>(s.actions[0].effects.find("x")->op), i);
    }
    for (std::size_t i = 0; i < kOperatorNames.size(); ++i) {
        const VibeSchema s = read_ok(scenario_with(
            kGoalLine,
            R"("goal": {"type": "reach_state", "conditions": [{"variable": "x", "operator": ")" +
                std::string(kOperatorNames[i]) + R"(", "value": 1}]}})"));
        EXPECT_EQ(static_cast<std::size_t>(s.goal.conditions[0].op), i);
        EXPECT_EQ(s.goal.type, GoalType::ReachState);
    }
}

TEST(ScenarioReader, EffectValueForms) {
    using namespace testing;
    const VibeSchema s = read_ok(scenario_with(
        kActionsLine,
        R"("actions": [{"name": "a", "cost": {}, "effects": {"n": {"op": "set", "value": 5}, "m": {"op": "add", "value": -1.5e1}, "t": {"op": "set", "value": "y * 2"}}}],)"));
    const auto& effects = s.actions[0].effects;
    ASSERT_EQ(effects.size(), 3u);
    const EffectValue five = effects.find("n")->value;
    ASSERT_TRUE(std::holds_alternative<double>(five));
    EXPECT_EQ(std::get<double>(five), 5.0);
    EXPECT_EQ(effects.find("m")->value, EffectValue(-15.0));
    EXPECT_EQ(effects.find("t")->value, EffectValue(std::string("y * 2")));
}

TEST(ScenarioReader, NameKeyedMapsKeepDocumentOrderAndLaterValues) {
    using namespace testing;
    const VibeSchema s = read_ok(scenario_with(
        kResourcesLine,
        R"("resources": {"b": {"initial": 1, "min": 0}, "a": {"initial": 2, "min": 0}, "b": {"initial": 3, "min": -1}},)"));
    std::vector<std::string> names;
    for (const auto& [name, def] : s.resources) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(*s.resources.find("b"), (ResourceDefinition{3.0, -1.0, std::nullopt}));

    const VibeSchema c = read_ok(scenario_with(
        kActionsLine,
        R"("actions": [{"name": "a", "cost": {"z": 1, "y": 2, "z": 3}, "effects": {}}],)"));
    std::vector<std::pair<std::string, double>> costs(c.actions[0].cost.begin(),
                                                      c.actions[0].cost.end());
    EXPECT_EQ(costs, (std::vector<std::pair<std::string, double>>{{"z", 3.0}, {"y", 2.0}}));
}

TEST(ScenarioReader, InitialValuesKeepTheirKind) {
    using json::Value;
    struct Case {
        std::string text;
        Value expected;
    };
    const std::vector<Case> cases = {
        {"3", Value(std::uint64_t{3})},
        {"-3", Value(std::int64_t{-3})},
        {"3.0", Value(3.0)},
        {"3.5e2", Value(350.0)},
        {"18446744073709551615", Value(std::numeric_limits<std::uint64_t>::max())},
        {"18446744073709551616", Value(18446744073709551616.0)},
        {"-9223372036854775808", Value(std::numeric_limits<std::int64_t>::min())},
        {"-9223372036854775809", Value(-9223372036854775808.0)},
        {"1e-400", Value(0.0)},
        {"0.0001e-320", Value(0.0)},
        {"1e-99999999999999999999", Value(0.0)},
        {"0e99999999999999999999", Value(0.0)},
        {"0.001e311", Value(1e308)},
        {"4.9e-324", Value(4.9e-324)},
        {"9007199254740993.0", Value(9007199254740992.0)},
        {"2.2250738585072011e-308", Value(2.2250738585072011e-308)},
        {"1.7976931348623157e308", Value(std::numeric_limits<double>::max())},
        {"0.1", Value(0.1)},
        {"true", Value(true)},
        {R"("a\"\\\/\b\f\n\r\t\u00e9\ud83d\ude00\u0000")",
         Value(std::string("a\"\\/\b\f\n\r\t\xc3\xa9\xf0\x9f\x98\x80\0", 16))},
        {"[1, [], {}]",
         Value(json::Array{Value(std::uint64_t{1}), Value(json::Array{}), Value(json::Object{})})},
        {R"({"b": 1, "a": 2, "b": [3]})",
         Value(json::Object{{"a", Value(std::uint64_t{2})},
                            {"b", Value(json::Array{Value(std::uint64_t{3})})}})},
    };
    for (const Case& c : cases) EXPECT_EQ(initial_of(c.text), c.expected) << c.text;

    // Signs of zero survive.
    const Value minus_zero = initial_of("-0");
    ASSERT_TRUE(std::holds_alternative<double>(minus_zero.data));
    EXPECT_TRUE(std::signbit(std::get<double>(minus_zero.data)));
    const Value tiny_negative = initial_of("-1e-400");
    ASSERT_TRUE(std::holds_alternative<double>(tiny_negative.data));
    EXPECT_TRUE(std::signbit(std::get<double>(tiny_negative.data)));
    const Value zero_fraction = initial_of("-0.0");
    EXPECT_TRUE(std::signbit(std::get<double>(zero_fraction.data)));

    EXPECT_EQ(
        read_error(scenario_with(
            testing::kVariablesLine,
            R"("variables": {"x": {"type": "int", "initial": 1.7976931348623159e308, "discretization": 1}},)")),
        "number out of range at line 5 column 68");
    std::string four_hundred_digits(401, '0');
    four_hundred_digits[0] = '1';
    for (const std::string number :
         {"1000e306", "-1e99999999999999999999", four_hundred_digits.c_str()}) {
        const std::string error = read_error(scenario_with(
            testing::kVariablesLine, R"("variables": {"x": {"type": "int", "initial": )" + number +
                                         R"(, "discretization": 1}},)"));
        EXPECT_EQ(error,
                  "number out of range at line 5 column " + std::to_string(46 + number.size()));
    }
}

TEST(ScenarioReader, HorizonCoversThePlatformSizeType) {
    using namespace testing;
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    const std::string max_text = std::to_string(kMax);
    const VibeSchema s = read_ok(
        scenario_with(kTimeLine, R"("time": {"type": "discrete", "horizon": )" + max_text + "},"));
    EXPECT_EQ(s.time.horizon, kMax);

    // One past the maximum: an integer too large for the size type, or (on 64-bit
    // targets) beyond every integer kind and so a float, shown by its shortest digits.
    const bool narrow = sizeof(std::size_t) < 8;
    const std::string above =
        narrow ? std::to_string(std::uint64_t{kMax} + 1) : std::string("18446744073709551616");
    const std::string error = read_error(
        scenario_with(kTimeLine, R"("time": {"type": "discrete", "horizon": )" + above + "},"));
    const std::string found = narrow ? "invalid value: integer `" + above + "`"
                                     : "invalid type: floating point `18446744073709552000.0`";
    EXPECT_EQ(error, found + ", expected an unsigned size at line 3 column " +
                         std::to_string(40 + above.size()));
}

std::string nested_initial(std::size_t arrays) {
    return scenario_with(testing::kVariablesLine,
                         R"("variables": {"x": {"type": "int", "initial": )" +
                             std::string(arrays, '[') + std::string(arrays, ']') +
                             R"(, "discretization": 1}},)");
}

TEST(ScenarioReader, RecursionLimitCountsEveryOpenArrayAndObject) {
    // The root, the variables map and the variable record are open: 125 more arrays
    // make 128, one more is refused at its opening bracket (column 46 + its number).
    EXPECT_TRUE(read_scenario(nested_initial(125)).schema.has_value());
    EXPECT_EQ(read_error(nested_initial(126)), "recursion limit exceeded at line 5 column 172");
    EXPECT_EQ(read_error(nested_initial(129)), "recursion limit exceeded at line 5 column 172");
    // Far deeper input fails the same way instead of exhausting the stack.
    EXPECT_EQ(read_error(nested_initial(100000)), "recursion limit exceeded at line 5 column 172");
}

TEST(ScenarioReader, WhitespaceIsOnlySpaceTabNewlineAndReturn) {
    std::string doc = " \t\r\n" + scenario_text() + " \t\r\n";
    EXPECT_TRUE(read_scenario(doc).schema.has_value());
    EXPECT_EQ(read_error("\f{}"), "expected value at line 1 column 1");
    EXPECT_EQ(read_error("\xc2\xa0{}"), "expected value at line 1 column 1");
    EXPECT_EQ(read_error("\r\n\r\n  {}"), "missing field `version` at line 3 column 4");
}

}  // namespace
}  // namespace kestrova
