#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "example_schemas.hpp"
#include "reference_compile.hpp"
#include "types.hpp"
#include "vibe/compiler.hpp"
#include "vibe/compiler_graph.hpp"
#include "vibe/scenario_reader.hpp"

namespace kestrova {
namespace {

using EffectList = std::vector<std::pair<std::string, Effect>>;
using CostList = std::vector<std::pair<std::string, double>>;

VariableDefinition variable(json::Value initial, double discretization = 1.0,
                            std::optional<double> min = std::nullopt,
                            std::optional<double> max = std::nullopt) {
    VariableDefinition v;
    v.initial = std::move(initial);
    v.discretization = discretization;
    v.min = min;
    v.max = max;
    return v;
}

NamedMap<Effect> effect_map(const EffectList& effects) {
    NamedMap<Effect> map;
    for (const auto& [name, effect] : effects) map.assign(name, effect);
    return map;
}

ActionDefinition action(const EffectList& effects,
                        std::optional<std::vector<std::string>> preconditions = std::nullopt,
                        const CostList& costs = {}) {
    ActionDefinition a;
    a.effects = effect_map(effects);
    a.preconditions = std::move(preconditions);
    for (const auto& [resource, cost] : costs) a.cost.assign(resource, cost);
    return a;
}

TransitionDefinition transition(std::string name, TransitionType type, std::int32_t priority,
                                std::optional<std::string> condition, const EffectList& effects) {
    TransitionDefinition t;
    t.name = std::move(name);
    t.type = type;
    t.priority = priority;
    t.condition = std::move(condition);
    t.effects = effect_map(effects);
    return t;
}

ConstraintDefinition constraint(ConstraintType type, std::string variable,
                                std::optional<Operator> op = std::nullopt,
                                std::optional<double> value = std::nullopt,
                                ConstraintMode mode = ConstraintMode::Hard) {
    ConstraintDefinition c;
    c.type = type;
    c.mode = mode;
    c.variable = std::move(variable);
    c.op = op;
    c.value = value;
    return c;
}

Effect add(double v) {
    return {EffectOp::Add, v};
}
Effect set(double v) {
    return {EffectOp::Set, v};
}

VibeSchema with_variables(std::vector<std::pair<std::string, VariableDefinition>> variables) {
    VibeSchema schema;
    for (auto& [name, definition] : variables) schema.variables.assign(name, std::move(definition));
    return schema;
}

// (from, to) of every transition, in list order.
std::vector<std::pair<std::string, std::string>> edges(const StateSpace& space) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const Transition& t : space.transitions) out.emplace_back(t.from, t.to);
    return out;
}

std::set<std::string> state_ids(const StateSpace& space) {
    std::set<std::string> ids;
    for (const auto& [id, state] : space.states) ids.insert(id);
    return ids;
}

// Identifiers of states reached from the initial one by one action.
std::string after_one_step(const VibeSchema& schema) {
    const StateSpace space = ScenarioCompiler::compile(schema);
    EXPECT_FALSE(space.transitions.empty());
    return space.transitions.empty() ? "" : space.transitions.front().to;
}

void expect_invariants(const StateSpace& space) {
    for (const auto& [id, state] : space.states) {
        EXPECT_EQ(id, state.id);
        EXPECT_EQ(hash_state(state.attributes), id);
    }
    for (const Transition& t : space.transitions) {
        EXPECT_TRUE(space.states.contains(t.from)) << t.from;
        EXPECT_TRUE(space.states.contains(t.to)) << t.to;
        EXPECT_TRUE(t.resource_costs.has_value());
    }
}

void expect_same_space(const StateSpace& actual, const StateSpace& expected) {
    ASSERT_EQ(actual.states.size(), expected.states.size());
    for (const auto& [id, state] : expected.states) {
        const auto found = actual.states.find(id);
        ASSERT_NE(found, actual.states.end()) << id;
        EXPECT_EQ(found->second.attributes, state.attributes) << id;
    }
    ASSERT_EQ(actual.transitions.size(), expected.transitions.size());
    for (std::size_t i = 0; i < expected.transitions.size(); ++i) {
        const Transition& a = actual.transitions[i];
        const Transition& e = expected.transitions[i];
        EXPECT_EQ(a.from, e.from) << i;
        EXPECT_EQ(a.to, e.to) << i;
        EXPECT_EQ(a.cost, e.cost) << i;
        EXPECT_EQ(a.resource_costs, e.resource_costs) << i;
    }
}

// The bare graph is compile's state space without its texts: states numbered in
// discovery order from the initial one, identifier ranks in bytewise order, and
// the same transitions in the same order.
void expect_same_graph(const StateGraph& graph, const StateSpace& space,
                       const std::string& initial_id) {
    ASSERT_EQ(graph.state_count, space.states.size());
    ASSERT_EQ(graph.identifier_rank.size(), graph.state_count);
    std::vector<std::string> sorted_ids;
    for (const auto& entry : space.states) sorted_ids.push_back(entry.first);
    std::sort(sorted_ids.begin(), sorted_ids.end());
    std::vector<std::string> id_of;
    for (const std::uint32_t rank : graph.identifier_rank) id_of.push_back(sorted_ids.at(rank));
    ASSERT_EQ(std::set<std::string>(id_of.begin(), id_of.end()).size(), id_of.size());
    EXPECT_EQ(id_of[0], initial_id);

    ASSERT_EQ(graph.from.size(), space.transitions.size());
    ASSERT_EQ(graph.to.size(), space.transitions.size());
    ASSERT_EQ(graph.cost.size(), space.transitions.size());
    std::uint32_t discovered = 1;
    for (std::size_t i = 0; i < space.transitions.size(); ++i) {
        const Transition& t = space.transitions[i];
        ASSERT_LT(graph.from[i], graph.state_count) << i;
        ASSERT_LT(graph.to[i], graph.state_count) << i;
        EXPECT_EQ(id_of[graph.from[i]], t.from) << i;
        EXPECT_EQ(id_of[graph.to[i]], t.to) << i;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(graph.cost[i]), std::bit_cast<std::uint64_t>(t.cost))
            << i;
        if (graph.to[i] >= discovered) {
            EXPECT_EQ(graph.to[i], discovered++) << i;
        }
        if (i > 0) {
            EXPECT_LE(graph.from[i - 1], graph.from[i]) << i;
        }
    }
    EXPECT_EQ(discovered, graph.state_count);
}

void expect_same_graph(const VibeSchema& schema, const StateSpace& space) {
    expect_same_graph(compile_state_graph(schema), space,
                      hash_state(get_initial_attributes(schema.variables)));
}

TEST(Compile, NoActionsGivesTheInitialStateAlone) {
    VibeSchema schema = with_variables({{"x", variable(1.3)}, {"mode", variable("on")}});
    const StateSpace space = ScenarioCompiler::compile(schema);
    EXPECT_EQ(state_ids(space), std::set<std::string>{"mode:\"on\"|x:1.3000"});
    EXPECT_TRUE(space.transitions.empty());
    expect_same_graph(schema, space);
}

TEST(Compile, NoVariablesGivesSelfLoopsOnTheEmptyIdentifier) {
    VibeSchema schema;
    schema.actions = {action({}), action({{"x", add(1.0)}}, std::vector<std::string>{"x == 0"}),
                      action({}, std::vector<std::string>{"x > 0"}),
                      action({}, std::vector<std::string>{})};
    const StateSpace space = ScenarioCompiler::compile(schema);
    EXPECT_EQ(state_ids(space), std::set<std::string>{""});
    EXPECT_EQ(edges(space), (std::vector<std::pair<std::string, std::string>>(3, {"", ""})));
    expect_invariants(space);
    expect_same_graph(schema, space);
}

TEST(Compile, InitialValuesAreKeptUnsnappedAndWithTheirKinds) {
    VibeSchema schema = with_variables(
        {{"x", variable(1.3, 1.0)}, {"n", variable(json::Value(std::uint64_t{7}), 5.0)}});
    schema.actions = {action({})};
    const StateSpace space = ScenarioCompiler::compile(schema);
    EXPECT_EQ(edges(space), (std::vector<std::pair<std::string, std::string>>{
                                {"n:7.0000|x:1.3000", "n:5.0000|x:1.0000"},
                                {"n:5.0000|x:1.0000", "n:5.0000|x:1.0000"}}));
    const AttributeMap& initial = space.states.at("n:7.0000|x:1.3000").attributes;
    EXPECT_TRUE(std::holds_alternative<std::uint64_t>(initial.at("n").data));
    const AttributeMap& next = space.states.at("n:5.0000|x:1.0000").attributes;
    EXPECT_TRUE(std::holds_alternative<double>(next.at("n").data));
    expect_invariants(space);
}

TEST(Compile, SnappingAndClamping) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* label;
        VariableDefinition definition;
        Effect effect;
        const char* expected;
    };
    const Case cases[] = {
        {"half rounds away from zero", variable(0.0, 0.5), set(1.25), "x:1.5000"},
        {"negative half rounds away from zero", variable(0.0, 0.5), set(-1.25), "x:-1.5000"},
        {"plain snapping", variable(0.0, 0.25), set(0.3), "x:0.2500"},
        {"clamped to max", variable(0.0, 1.0, std::nullopt, 3.0), set(7.0), "x:3.0000"},
        {"clamped to min after snapping", variable(0.0, 1.0, 0.5), set(0.2), "x:0.5000"},
        {"min above max gives max", variable(0.0, 1.0, 5.0, 2.0), set(3.0), "x:2.0000"},
        {"snapping to negative zero", variable(0.0, 1.0), set(-0.3), "x:-0.0000"},
        {"min 0 turns negative zero into zero", variable(0.0, 1.0, 0.0), set(-0.3), "x:0.0000"},
        {"max -0 keeps negative zero", variable(0.0, 1.0, std::nullopt, -0.0), set(0.0),
         "x:-0.0000"},
        {"discretization 0 gives min", variable(0.0, 0.0, 1.0, 4.0), set(3.0), "x:1.0000"},
        {"discretization 0, min clamped by max", variable(0.0, 0.0, 6.0, 4.0), set(3.0),
         "x:4.0000"},
        {"discretization 0 gives max", variable(0.0, 0.0, std::nullopt, 4.0), set(3.0), "x:4.0000"},
        {"discretization 0 without bounds gives null", variable(0.0, 0.0), set(3.0), "x:null"},
        {"NaN result is null, not clamped", variable(0.0, 1.0, 0.0, 4.0), set(kNaN), "x:null"},
        {"overflow is null", variable(1e308, 1.0), {EffectOp::Multiply, 10.0}, "x:null"},
        {"snapping past the double range is null", variable(0.0, 1e-300), set(1e10), "x:null"},
    };
    for (const auto& c : cases) {
        VibeSchema schema = with_variables({{"x", c.definition}});
        schema.actions = {action({{"x", c.effect}})};
        EXPECT_EQ(after_one_step(schema), c.expected) << c.label;
    }
}

TEST(Compile, NonNumbersAreLeftAloneUntilAnEffectNamesThem) {
    VibeSchema schema = with_variables({{"flag", variable(true)},
                                        {"label", variable(json::Array{"a", 1.5})},
                                        {"x", variable(0.0, 1.0, std::nullopt, 1.0)}});
    schema.actions = {action({{"x", add(1.0)}}), action({{"flag", {EffectOp::Affine, 5.0}}})};
    const StateSpace space = ScenarioCompiler::compile(schema);
    EXPECT_EQ(state_ids(space), (std::set<std::string>{
                                    "flag:true|label:[\"a\",1.5]|x:0.0000",
                                    "flag:true|label:[\"a\",1.5]|x:1.0000",
                                    "flag:0.0000|label:[\"a\",1.5]|x:0.0000",
                                    "flag:0.0000|label:[\"a\",1.5]|x:1.0000",
                                }));
    EXPECT_EQ(space.states.at("flag:0.0000|label:[\"a\",1.5]|x:1.0000").attributes.at("label"),
              json::Value(json::Array{"a", 1.5}));
    expect_invariants(space);
}

TEST(Compile, BreadthFirstOrderAndSelfLoops) {
    // x counts 0..2 (clamped); the second action has no effect.
    VibeSchema schema = with_variables({{"x", variable(0.0, 1.0, 0.0, 2.0)}});
    schema.actions = {action({{"x", add(1.0)}}), action({})};
    const StateSpace space = ScenarioCompiler::compile(schema);
    EXPECT_EQ(edges(space), (std::vector<std::pair<std::string, std::string>>{
                                {"x:0.0000", "x:1.0000"},
                                {"x:0.0000", "x:0.0000"},
                                {"x:1.0000", "x:2.0000"},
                                {"x:1.0000", "x:1.0000"},
                                {"x:2.0000", "x:2.0000"},
                                {"x:2.0000", "x:2.0000"},
                            }));
}

TEST(Compile, PreconditionsSeeTheStateBeforeTheAction) {
    VibeSchema schema = with_variables({{"x", variable(0.0)}, {"y", variable(0.0)}});
    schema.actions = {
        action({{"x", add(1.0)}}, std::vector<std::string>{"x < 2", "y == 0"}),
        action({{"y", add(1.0)}}, std::vector<std::string>{"x >= 2 && y < 1"}),
        action({{"y", add(5.0)}}, std::vector<std::string>{"x >= 2 &&"}),
    };
    const StateSpace space = ScenarioCompiler::compile(schema);
    EXPECT_EQ(edges(space), (std::vector<std::pair<std::string, std::string>>{
                                {"x:0.0000|y:0.0000", "x:1.0000|y:0.0000"},
                                {"x:1.0000|y:0.0000", "x:2.0000|y:0.0000"},
                                {"x:2.0000|y:0.0000", "x:2.0000|y:1.0000"},
                            }));
}

TEST(Compile, HardConstraintsStopExpansion) {
    struct Case {
        const char* label;
        ConstraintDefinition constraint;
        double start;
        double step;
        std::set<std::string> expanded;  // states with outgoing transitions
    };
    const Case cases[] = {
        {"non_negative",
         constraint(ConstraintType::NonNegative, "x"),
         1.0,
         -1.0,
         {"x:1.0000", "x:0.0000"}},
        {"threshold lt 10",
         constraint(ConstraintType::Threshold, "x", Operator::Lt, 10.0),
         8.0,
         1.0,
         {"x:8.0000", "x:9.0000"}},
        {"soft threshold is ignored",
         constraint(ConstraintType::Threshold, "x", Operator::Lt, 10.0, ConstraintMode::Soft),
         8.0,
         1.0,
         {"x:8.0000", "x:9.0000", "x:10.0000", "x:11.0000", "x:12.0000"}},
        {"threshold defaults to gte 0",
         constraint(ConstraintType::Threshold, "x"),
         1.0,
         -1.0,
         {"x:1.0000", "x:0.0000"}},
        {"threshold eq within 1e-6",
         constraint(ConstraintType::Threshold, "x", Operator::Eq, 8.0),
         8.0,
         1.0,
         {"x:8.0000"}},
        {"threshold gt",
         constraint(ConstraintType::Threshold, "x", Operator::Gt, 9.0),
         11.0,
         -1.0,
         {"x:11.0000", "x:10.0000"}},
        {"threshold lte",
         constraint(ConstraintType::Threshold, "x", Operator::Lte, 10.0),
         9.0,
         1.0,
         {"x:9.0000", "x:10.0000"}},
        {"forbidden_zone without value forbids 0",
         constraint(ConstraintType::ForbiddenZone, "x"),
         2.0,
         -1.0,
         {"x:2.0000", "x:1.0000"}},
        {"forbidden_zone at 9",
         constraint(ConstraintType::ForbiddenZone, "x", std::nullopt, 9.0),
         8.0,
         1.0,
         {"x:8.0000"}},
        {"the initial state is tested too",
         constraint(ConstraintType::Threshold, "x", Operator::Lt, 5.0),
         8.0,
         1.0,
         {}},
        {"a missing variable skips the constraint",
         constraint(ConstraintType::NonNegative, "y"),
         8.0,
         1.0,
         {"x:8.0000", "x:9.0000", "x:10.0000", "x:11.0000", "x:12.0000"}},
    };
    for (const auto& c : cases) {
        VibeSchema schema = with_variables({{"x", variable(c.start, 1.0, -2.0, 12.0)}});
        schema.actions = {action({{"x", add(c.step)}})};
        schema.constraints = {c.constraint};
        const StateSpace space = ScenarioCompiler::compile(schema);
        std::set<std::string> expanded;
        std::set<std::string> targets;
        for (const Transition& t : space.transitions) {
            expanded.insert(t.from);
            targets.insert(t.to);
        }
        EXPECT_EQ(expanded, c.expanded) << c.label;
        // Every state but the initial one is the target of some transition.
        for (const auto& id : state_ids(space)) {
            if (id != hash_state(get_initial_attributes(schema.variables))) {
                EXPECT_TRUE(targets.contains(id)) << c.label << " " << id;
            }
        }
    }
}

TEST(Compile, HardConstraintsSkipNonNumbers) {
    VibeSchema schema = with_variables({{"s", variable("text")}, {"n", variable(nullptr)}});
    schema.actions = {action({})};
    schema.constraints = {constraint(ConstraintType::NonNegative, "s"),
                          constraint(ConstraintType::ForbiddenZone, "n")};
    // Expanded: the self-loop is there although null or text would "read as 0".
    EXPECT_EQ(ScenarioCompiler::compile(schema).transitions.size(), 1u);
}

TEST(Compile, TransitionsReactInPriorityThenNameOrder) {
    struct Case {
        const char* label;
        std::vector<TransitionDefinition> transitions;
        const char* expected;
    };
    const auto recurring = TransitionType::Recurring;
    const auto triggered = TransitionType::Triggered;
    // The action sets x to 2.
    const Case cases[] = {
        {"recurring applies after every action",
         {transition("t", recurring, 0, {}, {{"y", add(1)}})},
         "x:2.0000|y:1.0000"},
        {"triggered sees the action's effects",
         {transition("t", triggered, 0, "x > 1", {{"y", set(5)}})},
         "x:2.0000|y:5.0000"},
        {"triggered false",
         {transition("t", triggered, 0, "x > 3", {{"y", set(5)}})},
         "x:2.0000|y:0.0000"},
        {"triggered sees earlier transitions",
         {transition("b", triggered, 0, "x > 3", {{"y", set(5)}}),
          transition("a", recurring, 0, {}, {{"x", add(2)}})},
         "x:4.0000|y:5.0000"},
        {"later transitions are not seen",
         {transition("a", triggered, 0, "x > 3", {{"y", set(5)}}),
          transition("b", recurring, 0, {}, {{"x", add(2)}})},
         "x:4.0000|y:0.0000"},
        {"priority -1 before 2",
         {transition("z", recurring, 2, {}, {{"y", {EffectOp::Multiply, 3.0}}}),
          transition("a", recurring, -1, {}, {{"y", add(1)}})},
         "x:2.0000|y:3.0000"},
        {"equal priority: a before b",
         {transition("b", recurring, 1, {}, {{"y", {EffectOp::Multiply, 3.0}}}),
          transition("a", recurring, 1, {}, {{"y", add(1)}})},
         "x:2.0000|y:3.0000"},
        {"a prefix sorts first",
         {transition("ab", recurring, 1, {}, {{"y", {EffectOp::Multiply, 3.0}}}),
          transition("a", recurring, 1, {}, {{"y", add(1)}})},
         "x:2.0000|y:3.0000"},
        {"equal priority and name keep document order",
         {transition("a", recurring, 1, {}, {{"y", add(1)}}),
          transition("a", recurring, 1, {}, {{"y", {EffectOp::Multiply, 3.0}}})},
         "x:2.0000|y:3.0000"},
        {"triggered without condition never applies",
         {transition("t", triggered, 0, {}, {{"y", set(5)}})},
         "x:2.0000|y:0.0000"},
        {"condition is never split at &&",
         {transition("t", triggered, 0, "x > 1 && x > 0", {{"y", set(5)}})},
         "x:2.0000|y:0.0000"},
        {"condition true",
         {transition("t", triggered, 0, "true", {{"y", set(5)}})},
         "x:2.0000|y:5.0000"},
        {"transition effects read simultaneously",
         {transition("t", recurring, 0, {},
                     {{"x", set(9)}, {"y", {EffectOp::Set, std::string("x")}}})},
         "x:9.0000|y:2.0000"},
    };
    for (const auto& c : cases) {
        VibeSchema schema = with_variables({{"x", variable(0.0)}, {"y", variable(0.0)}});
        schema.actions = {action({{"x", set(2.0)}})};
        schema.transitions = c.transitions;
        EXPECT_EQ(after_one_step(schema), c.expected) << c.label;
    }
}

TEST(Compile, CostsComeFromThePrimaryResource) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    VibeSchema schema;
    schema.resources.assign("time", ResourceDefinition{});
    schema.resources.assign("fuel", ResourceDefinition{});
    schema.actions = {action({}, std::nullopt, {{"fuel", 2.0}, {"time", 3.0}}),
                      action({}, std::nullopt, {{"fuel", 4.0}, {"money", 1.0}}),
                      action({}, std::nullopt, {}),
                      action({}, std::nullopt, {{"time", kInf}, {"fuel", -1.0}})};
    const StateSpace space = ScenarioCompiler::compile(schema);
    ASSERT_EQ(space.transitions.size(), 4u);
    using Costs = std::vector<std::pair<std::string, json::Value>>;
    EXPECT_EQ(space.transitions[0].cost, 3.0);
    EXPECT_EQ(space.transitions[0].resource_costs, (Costs{{"fuel", 2.0}, {"time", 3.0}}));
    EXPECT_EQ(space.transitions[1].cost, 4.0);  // first entry when the primary one is missing
    EXPECT_EQ(space.transitions[2].cost, 0.0);
    EXPECT_EQ(space.transitions[2].resource_costs, Costs{});
    EXPECT_EQ(space.transitions[3].cost, kInf);
    EXPECT_EQ(space.transitions[3].resource_costs, (Costs{{"time", nullptr}, {"fuel", -1.0}}));

    schema.resources = {};
    const StateSpace no_resources = ScenarioCompiler::compile(schema);
    EXPECT_EQ(no_resources.transitions[0].cost, 2.0);
}

TEST(Compile, ExpansionStopsAtFiveThousandStates) {
    VibeSchema schema = with_variables({{"x", variable(0.0)}});
    schema.actions = {action({{"x", add(1.0)}})};
    const StateSpace space = ScenarioCompiler::compile(schema);
    EXPECT_EQ(space.states.size(), 5000u);
    EXPECT_EQ(space.transitions.size(), 4999u);
    EXPECT_TRUE(space.states.contains("x:4999.0000"));
    EXPECT_EQ(space.transitions.back().from, "x:4998.0000");

    // Successors found while expanding the last queued states are all kept.
    schema.actions.push_back(action({{"x", add(1000.0)}}));
    const StateSpace wide = ScenarioCompiler::compile(schema);
    std::set<std::string> expanded;
    for (const Transition& t : wide.transitions) expanded.insert(t.from);
    EXPECT_EQ(expanded.size(), 4999u);
    EXPECT_GT(wide.states.size(), 5000u);
    expect_invariants(wide);
    expect_same_space(wide, reference::compile(schema));
    expect_same_graph(schema, wide);
}

TEST(Compile, StatesMergeByIdentifier) {
    // 0.00004 and 0.00003 both print as 0.0000: the values found first are the
    // state's, and later steps start from them.
    VibeSchema schema = with_variables({{"x", variable(1.0, 0.00001)}});
    schema.actions = {
        action({{"x", set(0.00004)}}), action({{"x", set(0.00003)}}),
        action({{"x", set(7.0)}}, std::vector<std::string>{"x < 0.5 && x > 0.000035"})};
    const StateSpace space = ScenarioCompiler::compile(schema);
    EXPECT_EQ(state_ids(space), (std::set<std::string>{"x:1.0000", "x:0.0000", "x:7.0000"}));
    EXPECT_NEAR(space.states.at("x:0.0000").attributes.at("x").as_double(), 0.00004, 1e-12);
    expect_same_space(space, reference::compile(schema));
}

// Random small scenarios, checked against the direct implementation.
TEST(Compile, MatchesTheDirectAlgorithmOnRandomScenarios) {
    std::mt19937 rng(20240607);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const std::vector<std::string> names = {"a", "B", "a_b", "ab", "z|y"};
    const double steps[] = {0.5, 1.0, 0.25, 0.3, 3.0};
    const char* ops[] = {">", "<", ">=", "<=", "==", "!="};
    const auto random_condition = [&](int count) {
        std::string text = names[pick(5)] + " " + ops[pick(6)] + " " + std::to_string(pick(7) - 2);
        if (pick(4) == 0) text = "true";
        if (count > 0 && pick(2) == 0)
            text += " && " + names[pick(5)] + " > " + std::to_string(pick(5) - 2);
        return text;
    };
    const auto random_effects = [&]() {
        EffectList effects;
        for (int k = pick(3); k >= 0; --k) {
            const auto op = static_cast<EffectOp>(pick(5));
            EffectValue value = static_cast<double>(pick(9) - 4) * 0.5;
            if (pick(4) == 0) value = names[pick(5)];
            effects.emplace_back(pick(6) == 0 ? "ghost" : names[pick(5)], Effect{op, value});
        }
        return effects;
    };
    for (int round = 0; round < 300; ++round) {
        VibeSchema schema;
        const int variable_count = 1 + pick(4);
        for (int v = 0; v < variable_count; ++v) {
            json::Value initial = static_cast<double>(pick(7) - 3) * 0.7;
            if (pick(6) == 0) initial = json::Value(std::uint64_t{2});
            if (pick(8) == 0) initial = true;
            if (pick(10) == 0) initial = "s";
            std::optional<double> min;
            std::optional<double> max;
            if (pick(3) != 0) min = static_cast<double>(pick(5) - 4);
            if (pick(3) != 0) max = static_cast<double>(pick(6));
            schema.variables.assign(names[static_cast<std::size_t>(v)],
                                    variable(initial, steps[pick(5)], min, max));
        }
        schema.resources.assign(pick(2) ? "r1" : "r2", ResourceDefinition{});
        for (int k = 1 + pick(4); k > 0; --k) {
            std::optional<std::vector<std::string>> pre;
            if (pick(2) == 0) pre = std::vector<std::string>{random_condition(1)};
            schema.actions.push_back(action(
                random_effects(), pre,
                {{"r1", static_cast<double>(pick(4))}, {"r3", static_cast<double>(pick(4))}}));
        }
        for (int k = pick(4); k > 0; --k) {
            const auto type = pick(2) ? TransitionType::Recurring : TransitionType::Triggered;
            std::optional<std::string> condition;
            if (pick(4) != 0) condition = random_condition(pick(2));
            schema.transitions.push_back(
                transition(std::string(1, static_cast<char>('a' + pick(3))), type, pick(3) - 1,
                           condition, random_effects()));
        }
        for (int k = pick(3); k > 0; --k) {
            schema.constraints.push_back(constraint(static_cast<ConstraintType>(pick(3)),
                                                    names[pick(5)], static_cast<Operator>(pick(5)),
                                                    static_cast<double>(pick(5) - 1),
                                                    static_cast<ConstraintMode>(pick(2))));
        }
        const StateSpace space = ScenarioCompiler::compile(schema);
        SCOPED_TRACE(round);
        expect_invariants(space);
        expect_same_space(space, reference::compile(schema));
        expect_same_graph(schema, space);
        if (HasFailure()) break;
    }
}

TEST(Compile, ExampleScenariosMatchTheDirectAlgorithm) {
    testing::check_example_schemas([](const VibeSchema& schema) {
        const StateSpace space = ScenarioCompiler::compile(schema);
        EXPECT_GT(space.transitions.size(), 0u);
        expect_invariants(space);
        expect_same_space(space, reference::compile(schema));
        expect_same_graph(schema, space);
    });
}

TEST(Compile, ReadScenarioIntegersKeepTheirKindInTheInitialStateOnly) {
    const ScenarioReadResult read = read_scenario(R"({
        "version": "1.0",
        "metadata": {"name": "kinds"},
        "time": {"type": "discrete", "horizon": 2},
        "resources": {},
        "variables": {
            "n": {"type": "int", "initial": -3, "min": -5, "max": 5, "discretization": 1},
            "u": {"type": "int", "initial": 18446744073709551615, "discretization": 1}
        },
        "actions": [{"name": "tick", "cost": {}, "effects": {"n": {"op": "add", "value": 1}}}],
        "transitions": [],
        "constraints": [],
        "goal": {"type": "threshold", "conditions": []}
    })");
    ASSERT_TRUE(read.schema) << read.error;
    const StateSpace space = ScenarioCompiler::compile(*read.schema);
    const std::string initial = "n:-3.0000|u:18446744073709551616.0000";
    ASSERT_TRUE(space.states.contains(initial));
    EXPECT_TRUE(
        std::holds_alternative<std::int64_t>(space.states.at(initial).attributes.at("n").data));
    EXPECT_TRUE(
        std::holds_alternative<std::uint64_t>(space.states.at(initial).attributes.at("u").data));
    const std::string next = "n:-2.0000|u:18446744073709551616.0000";
    ASSERT_TRUE(space.states.contains(next));
    EXPECT_TRUE(std::holds_alternative<double>(space.states.at(next).attributes.at("u").data));
    EXPECT_EQ(space.states.size(), 9u);  // n from -3 up to 5
}

}  // namespace
}  // namespace kestrova
