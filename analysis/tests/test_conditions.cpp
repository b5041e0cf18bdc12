#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "types.hpp"
#include "vibe/compiler.hpp"
#include "vibe/number_grammar.hpp"
#include "vibe/unicode_whitespace.hpp"

namespace kestrova {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct NumberCase {
    std::string_view text;
    std::optional<double> expected;  // nullopt: unparseable
};

TEST(DecimalNumber, Grammar) {
    const NumberCase cases[] = {
        {"5", 5.0},
        {"5.", 5.0},
        {".5", 0.5},
        {"-2.25", -2.25},
        {"+3", 3.0},
        {"1e3", 1000.0},
        {"2.5E-2", 0.025},
        {"1e+2", 100.0},
        {"007", 7.0},
        {"5.e3", 5000.0},
        {"-.5e-1", -0.05},
        {"0.1", 0.1},
        {"inf", kInf},
        {"-Infinity", -kInf},
        {"+INF", kInf},
        {"1e400", kInf},
        {"-1e400", -kInf},
        {"123456789e301", kInf},
        {"1e-400", 0.0},
        {"0.000001e-330", 0.0},
        {"4.9406564584124654e-324", 4.9406564584124654e-324},
        {"2.4703282292062328e-324", 4.9406564584124654e-324},
        {"1.7976931348623157e308", std::numeric_limits<double>::max()},
        {"0e999999999999999999999", 0.0},
        {"100000000000000000000000000000000000000000000000000e-50", 1.0},
        {"", std::nullopt},
        {"+", std::nullopt},
        {".", std::nullopt},
        {"-.", std::nullopt},
        {"e5", std::nullopt},
        {"1e", std::nullopt},
        {"1e+", std::nullopt},
        {"1.2.3", std::nullopt},
        {"0x10", std::nullopt},
        {"1_000", std::nullopt},
        {"1'000", std::nullopt},
        {"5x", std::nullopt},
        {"++5", std::nullopt},
        {"+-5", std::nullopt},
        {" 5", std::nullopt},
        {"infinit", std::nullopt},
        {"infinityy", std::nullopt},
        {"nan(1)", std::nullopt},
        {"five", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto parsed = parse_decimal_number(c.text);
        ASSERT_EQ(parsed.has_value(), c.expected.has_value()) << "'" << c.text << "'";
        if (c.expected) {
            EXPECT_EQ(*parsed, *c.expected) << c.text;
        }
    }
    EXPECT_TRUE(std::signbit(*parse_decimal_number("-0")));
    EXPECT_TRUE(std::signbit(*parse_decimal_number("-1e-400")));
    for (const char* nan : {"nan", "NaN", "-nan", "+NAN"}) {
        EXPECT_TRUE(std::isnan(parse_decimal_number(nan).value_or(0.0))) << nan;
    }
}

TEST(UnicodeWhitespace, EveryWhiteSpaceCharacterAndNothingElse) {
    const char* spaces[] = {" ",      "\t",     "\n",     "\v",     "\f",     "\r",
                            "\u0085", "\u00A0", "\u1680", "\u2000", "\u2005", "\u200A",
                            "\u2028", "\u2029", "\u202F", "\u205F", "\u3000"};
    for (const char* s : spaces) {
        const std::string_view text(s);
        EXPECT_EQ(whitespace_length(text, 0), text.size()) << text;
        if (text.size() > 1) {
            // A truncated sequence is not whitespace.
            EXPECT_EQ(whitespace_length(text.substr(0, text.size() - 1), 0), 0u) << text;
        }
    }
    const char* others[] = {"x",      "\u200B", "\u180E", "\uFEFF", "\u2060",  "\u00A1",
                            "\u2030", "\x1F",   "\x7F",   "\xC2",   "\xE2\x80"};
    for (const char* s : others) EXPECT_EQ(whitespace_length(s, 0), 0u) << s;
    EXPECT_EQ(trim_whitespace("\u3000 a b\u00A0\t"), "a b");
    EXPECT_EQ(trim_whitespace(" \u2028 "), "");
    EXPECT_EQ(trim_whitespace("\u200Bx\u200B"), "\u200Bx\u200B");
}

struct ConditionCase {
    std::string_view text;
    bool expected;
};

TEST(EvalCondition, Table) {
    const AttributeMap attributes{{"x", 5.0},        {"near", 5.0000005},
                                  {"far", 5.000002}, {"u", json::Value(std::uint64_t{3})},
                                  {"flag", true},    {"text", "7"},
                                  {"n", nullptr},    {"neg", -1.0}};
    const ConditionCase cases[] = {
        {"x >= 5", true},        {"x > 5", false},
        {"x <= 5", true},        {"x < 5", false},
        {"x < 5.1", true},       {"x == 5", true},
        {"near == 5", true},     {"far == 5", false},
        {"x>5", false},  // one token
        {"x    >     4", true},  {"\tx\n>\u3000 4 \u2029", true},
        {"x\u200B> 4", false},  // zero width space is not whitespace: two tokens
        {"x < five", false},    // 5 < 0.0
        {"neg < five", true},   // -1 < 0.0
        {"missing > -1", true},  {"missing == 0", true},
        {"x > y", true},  // NUMBER is never a variable: 5 > 0.0
        {"x != 3", false},       {"x = 5", false},
        {"x => 5", false},       {"x <> 5", false},
        {"x gt 4", false},       {"x > 4 5", false},
        {"u == 3", true},        {"flag == 1", false},  // a boolean reads as 0
        {"flag == 0", true},     {"text == 7", false},
        {"n == 0", true},        {"x < inf", true},
        {"x > -INFINITY", true}, {"x > nan", false},
        {"x < nan", false},      {"x == nan", false},
        {"x > 0x1", true},  // unparseable: 5 > 0.0
        {"x > +4", true},        {"x > 4.", true},
        {"x < .6e1", true},      {"true", true},
        {"True", false},         {"TRUE", false},
        {" true", false},        {"true ", false},
        {"true true", false},    {"", false},
        {"   ", false},          {"x", false},
        {"false", false},        {"x > 4 && x < 6", false},  // never split here
    };
    for (const auto& c : cases) {
        EXPECT_EQ(eval_condition(attributes, c.text), c.expected) << "'" << c.text << "'";
    }
}

TEST(PreconditionTest, SplitsAtAmpersandsAndTrims) {
    const AttributeMap attributes{{"a", 2.0}, {"b", 3.0}, {"fuel", 1.0}, {"speed", 20.0}};
    const ConditionCase cases[] = {
        {"a > 1&&b > 2", true},
        {"a > 1 && b > 2", true},
        {"a > 1 && b > 5", false},
        {"a > 1 && true", true},
        {"a > 5 && true", false},
        {" true ", true},
        {"\u00A0true\u3000", true},
        {"true&&true", true},
        {"fuel > 0 && speed < 10", false},
        {"fuel > 0 && speed < 30", true},
        {"fuel > 0 &&", false},
        {"&& fuel > 0", false},
        {"a > 1 &&&& b > 2", false},
        {"a > 1 &&& b > 2", false},  // the second piece, "& b > 2", has four tokens
        {"", false},
        {"  ", false},
        {"a>1", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(precondition_holds(attributes, c.text), c.expected) << "'" << c.text << "'";
    }
}

TEST(ApplyEffects, EveryOperation) {
    const AttributeMap input{{"x", 1.0}, {"y", 2.0}, {"big", 1e308}, {"flag", true}, {"s", "on"}};
    struct Case {
        const char* label;
        const char* variable;
        Effect effect;
        json::Value expected;
    };
    const Case cases[] = {
        {"add", "x", {EffectOp::Add, 2.5}, 3.5},
        {"set", "x", {EffectOp::Set, -4.0}, -4.0},
        {"multiply", "y", {EffectOp::Multiply, 3.0}, 6.0},
        {"decrement below zero", "x", {EffectOp::Decrement, 3.0}, -2.0},
        {"affine keeps the reading", "y", {EffectOp::Affine, 100.0}, 2.0},
        {"operand by variable name", "x", {EffectOp::Add, std::string("y")}, 3.0},
        {"set from a missing variable", "x", {EffectOp::Set, std::string("nope")}, 0.0},
        {"operand from a boolean reads 0", "x", {EffectOp::Add, std::string("flag")}, 1.0},
        {"add on a boolean", "flag", {EffectOp::Add, 1.0}, 1.0},
        {"affine on a text", "s", {EffectOp::Affine, 0.0}, 0.0},
        {"overflow stores null", "big", {EffectOp::Multiply, 10.0}, nullptr},
        {"NaN stores null",
         "x",
         {EffectOp::Multiply, std::numeric_limits<double>::quiet_NaN()},
         nullptr},
    };
    for (const auto& c : cases) {
        NamedMap<Effect> effects;
        effects.assign(c.variable, c.effect);
        const AttributeMap output = apply_effects(input, effects);
        EXPECT_EQ(output.at(c.variable), c.expected) << c.label;
        for (const auto& [name, value] : input) {
            if (name != c.variable) {
                EXPECT_EQ(output.at(name), value) << c.label << " " << name;
            }
        }
        EXPECT_EQ(output.size(), input.size()) << c.label;
    }
}

TEST(ApplyEffects, ReadsAreSimultaneousAndNamesAreNeverCreated) {
    const AttributeMap input{{"x", json::Value(std::uint64_t{1})}, {"y", 2.0}};
    NamedMap<Effect> swap;
    swap.assign("x", {EffectOp::Set, std::string("y")});
    swap.assign("y", {EffectOp::Set, std::string("x")});
    swap.assign("ghost", {EffectOp::Set, 9.0});
    const AttributeMap output = apply_effects(input, swap);
    EXPECT_EQ(output, (AttributeMap{{"x", 2.0}, {"y", 1.0}}));
    // The integer 1 came back as a double.
    EXPECT_TRUE(std::holds_alternative<double>(output.at("y").data));

    NamedMap<Effect> only_ghost;
    only_ghost.assign("ghost", {EffectOp::Add, 1.0});
    EXPECT_EQ(apply_effects(input, only_ghost), input);
}

TEST(InitialAttributes, CopiesValuesUnchanged) {
    EXPECT_TRUE(get_initial_attributes({}).empty());
    NamedMap<VariableDefinition> variables;
    VariableDefinition a;
    a.initial = json::Value(std::int64_t{-4});
    a.min = 0.0;             // not clamped
    a.discretization = 3.0;  // not snapped
    variables.assign("a", a);
    VariableDefinition b;
    b.initial = json::Array{true, "z"};
    variables.assign("b", b);
    const AttributeMap attributes = get_initial_attributes(variables);
    EXPECT_EQ(attributes,
              (AttributeMap{{"a", json::Value(std::int64_t{-4})}, {"b", json::Array{true, "z"}}}));
    EXPECT_TRUE(std::holds_alternative<std::int64_t>(attributes.at("a").data));
}

}  // namespace
}  // namespace kestrova
