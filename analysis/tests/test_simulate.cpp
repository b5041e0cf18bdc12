#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "example_schemas.hpp"
#include "lib/reachable_width.hpp"
#include "lib/schema_checks.hpp"
#include "lib/simulate.hpp"
#include "lib/temporal_alert.hpp"
#include "lib/timeline.hpp"
#include "reachability/core/initial_state_search.hpp"
#include "reachability/core/reachability_engine.hpp"
#include "vibe/compiler.hpp"
#include "vibe/compiler_graph.hpp"
#include "vibe/result_writer.hpp"
#include "vibe/scenario_reader.hpp"

namespace kestrova {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Appends instead of operator+ chains, which trip a false -Wrestrict in GCC 12.
template <class... Parts>
std::string cat(const Parts&... parts) {
    std::string out;
    (out.append(parts), ...);
    return out;
}

struct Doc {
    std::string variables = "{}";
    std::string resources = "{}";
    std::string actions = "[]";
    std::string constraints = "[]";
    std::string goal = "[]";
    std::size_t horizon = 4;

    std::string text() const {
        return cat(R"({"version":"1","metadata":{"name":"t"},"time":{"type":"discrete","horizon":)",
                   std::to_string(horizon), R"(},"resources":)", resources, R"(,"variables":)",
                   variables, R"(,"actions":)", actions, R"(,"transitions":[],"constraints":)",
                   constraints, R"(,"goal":{"type":"threshold","conditions":)", goal, "}}");
    }
    VibeSchema schema() const {
        ScenarioReadResult r = read_scenario(text());
        EXPECT_TRUE(r.schema) << r.error << "\n" << text();
        return r.schema ? *r.schema : VibeSchema{};
    }
    SimulationResult run(std::optional<double> budget = std::nullopt) const {
        return simulate(schema(), budget);
    }
};

std::string var(const std::string& name, const std::string& body) {
    return cat("\"", name, "\":{\"type\":\"float\",", body, "}");
}

// A JSON object from member texts.
std::string obj(std::initializer_list<std::string> members) {
    std::string out = "{";
    for (const std::string& m : members) {
        if (out.size() > 1) out += ',';
        out += m;
    }
    return out + '}';
}

std::string vars(std::size_t count,
                 const std::string& body = R"("initial":0,"min":0,"max":2,"discretization":1)") {
    std::string out = "{";
    for (std::size_t i = 0; i < count; ++i) {
        if (i) out += ",";
        out += var(cat("v", std::to_string(i)), body);
    }
    return out + '}';
}

// x counts up from 0 to 10; each step costs 10 of r.
Doc counter() {
    Doc d;
    d.variables = obj({var("x", R"("initial":0,"min":0,"max":10,"discretization":1)")});
    d.resources = R"({"r":{"initial":40,"min":0}})";
    d.actions = R"([{"name":"inc","cost":{"r":10},"effects":{"x":{"op":"add","value":1}}}])";
    return d;
}

std::vector<std::size_t> widths(const SimulationResult& r) {
    std::vector<std::size_t> out;
    for (const TimelineStep& s : r.timeline) out.push_back(s.future_width);
    return out;
}

void expect_rejection(const SimulationResult& r, const std::string& message) {
    EXPECT_EQ(r.verdict, "invalid_schema");
    EXPECT_EQ(r.recommendation, cat("Schema error: ", message));
    EXPECT_TRUE(r.timeline.empty());
    EXPECT_EQ(r.point_of_no_return, 0u);
    EXPECT_EQ(r.goal_reached_at, std::nullopt);
    EXPECT_FALSE(r.is_approximate);
    EXPECT_EQ(r.calculation_mode, ExecutionMode::Discrete);
    EXPECT_EQ(r.trust_level, TrustLevel::High);
    EXPECT_EQ(r.error_bounds.epsilon, 0.0);
    EXPECT_EQ(r.error_bounds.confidence, 1.0);
    EXPECT_TRUE(r.alerts.empty());
    EXPECT_EQ(r.sensitivity_report, std::nullopt);
}

TEST(SimulateRejects, LimitsAndValidation) {
    const std::string horizon_text =
        "Simulation horizon (max 24) exceeded. Please upgrade to the Hosted API for long-range "
        "planning.";
    auto with = [](std::string variables, std::string resources = "{}", std::size_t h = 4) {
        Doc d;
        d.variables = std::move(variables);
        d.resources = std::move(resources);
        d.horizon = h;
        return d;
    };
    const struct {
        const char* name;
        Doc doc;
        std::string message;
    } cases[] = {
        {"9 variables", with(vars(9)), ""},
        {"9 variables and horizon 30", with(vars(9), "{}", 30), ""},
        {"horizon 25", with(vars(3), "{}", 25), horizon_text},
        {"min equals max",
         with(obj({var("x", R"("initial":5,"min":5,"max":5,"discretization":1)")})),
         "Variable 'x': min (5) must be < max (5)"},
        {"min above max",
         with(obj({var("x", R"("initial":0,"min":0.5,"max":0.25,"discretization":1)")})),
         "Variable 'x': min (0.5) must be < max (0.25)"},
        {"discretization 0", with(obj({var("x", R"("initial":0,"discretization":0)")})),
         "Variable 'x': discretization must be > 0, got 0"},
        {"discretization -1", with(obj({var("x", R"("initial":0,"discretization":-1)")})),
         "Variable 'x': discretization must be > 0, got -1"},
        {"min/max checked before discretization",
         with(obj({var("x", R"("initial":0,"min":3,"max":1,"discretization":0)")})),
         "Variable 'x': min (3) must be < max (1)"},
        {"first failing variable in document order",
         with(obj({var("b", R"("initial":0,"discretization":-2.5)"),
                   var("a", R"("initial":0,"discretization":0)")})),
         "Variable 'b': discretization must be > 0, got -2.5"},
        {"resource initial below min", with("{}", R"({"r":{"initial":2,"min":3}})"),
         "Resource 'r': initial value 2 < min bound 3"},
        {"resource min not below max", with("{}", R"({"r":{"initial":5,"min":5,"max":5}})"),
         "Resource 'r': min (5) must be < max (5)"},
        {"variables before resources",
         with(obj({var("x", R"("initial":0,"discretization":0)")}),
              R"({"r":{"initial":2,"min":3}})"),
         "Variable 'x': discretization must be > 0, got 0"},
        {"large numbers stay positional",
         with(obj({var("x", R"("initial":0,"min":1e21,"max":-1e-7,"discretization":1)")})),
         "Variable 'x': min (1000000000000000000000) must be < max (-0.0000001)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expect_rejection(c.doc.run(), c.message);
    }
}

TEST(SimulateRejects, LimitsPassAtTheEdge) {
    Doc d;
    d.variables = vars(8);
    d.horizon = 24;
    d.resources = R"({"r":{"initial":7,"min":0,"max":5}})";  // initial above max is not checked
    const SimulationResult r = d.run();
    EXPECT_EQ(r.verdict.rfind("possible", 0), 0u) << r.recommendation;
    EXPECT_EQ(r.timeline.size(), 25u);
}

TEST(SimulateRejects, HorizonDocumentIsExact) {
    Doc d;
    d.variables = vars(3);
    d.horizon = 25;
    EXPECT_EQ(
        write_result(d.run(3.0)),
        R"({"timeline":[],"point_of_no_return":0,"goal_reached_at":null,"recommended_path":null,)"
        R"("is_approximate":false,"verdict":"invalid_schema","recommendation":"Schema error: )"
        R"(Simulation horizon (max 24) exceeded. Please upgrade to the Hosted API for long-range )"
        R"(planning.","calculation_mode":"Discrete","trust_level":"High","error_bounds":)"
        R"({"epsilon":0.0,"confidence":1.0},"alerts":[],"sensitivity_report":null})");
}

TEST(ComplexityScore, ModesAndScores) {
    EXPECT_EQ(mode_for_score(4999.9), ExecutionMode::Discrete);
    EXPECT_EQ(mode_for_score(5000.0), ExecutionMode::Hybrid);
    EXPECT_EQ(mode_for_score(5000.1), ExecutionMode::Continuous);
    EXPECT_EQ(mode_for_score(1e7), ExecutionMode::Continuous);
    EXPECT_EQ(mode_for_score(kNaN), ExecutionMode::Continuous);

    Doc one;
    one.variables = obj({var("x", R"("initial":0,"min":0,"max":10,"discretization":1)")});
    one.horizon = 10;
    EXPECT_DOUBLE_EQ(complexity_score(one.schema()), 120.0);
    Doc unbounded;
    unbounded.variables = obj({var("x", R"("initial":0,"min":0,"discretization":1)")});
    unbounded.horizon = 10;
    EXPECT_DOUBLE_EQ(complexity_score(unbounded.schema()), 1200.0);
    Doc none;
    none.horizon = 7;
    EXPECT_EQ(complexity_score(none.schema()), 7.0);
    Doc narrow;  // a range below one step still counts 1
    narrow.variables = obj({var("x", R"("initial":0,"min":0,"max":0.5,"discretization":1)")});
    narrow.horizon = 10;
    EXPECT_DOUBLE_EQ(complexity_score(narrow.schema()), 12.0);
    Doc overflow;  // an infinite product meets horizon 0: NaN, Continuous
    overflow.variables =
        obj({var("x", R"("initial":0,"min":-1e308,"max":1e308,"discretization":1)")});
    overflow.horizon = 0;
    EXPECT_TRUE(std::isnan(complexity_score(overflow.schema())));
}

TEST(Simulate, DiscreteCounterWalk) {
    const SimulationResult r = counter().run();  // budget from r: 40
    EXPECT_EQ(widths(r), (std::vector<std::size_t>{5, 4, 3, 2, 0}));
    EXPECT_EQ(r.verdict, "possible");
    EXPECT_EQ(r.recommendation,
              "Critically constrained \xE2\x80\x94 narrow corridor detected (T14). Urgent: reduce "
              "scope or add resources.");
    EXPECT_EQ(r.calculation_mode, ExecutionMode::Discrete);
    EXPECT_FALSE(r.is_approximate);
    EXPECT_TRUE(r.alerts.empty());
    EXPECT_EQ(r.point_of_no_return, 4u);
    EXPECT_EQ(r.goal_reached_at, 0u);  // no goal conditions
    ASSERT_TRUE(r.sensitivity_report);
    EXPECT_EQ(*r.sensitivity_report->primary_culprits.find("x"), 4u);
    EXPECT_EQ(r.timeline[0].dominant_root_cause, std::nullopt);
    EXPECT_EQ(r.timeline[1].dominant_root_cause, "x");
    EXPECT_EQ(r.timeline[1].risk_spike, 0.2 * (std::log2(5.0) - std::log2(4.0)));  // G = 1/5

    EXPECT_EQ(widths(counter().run(20.0)), (std::vector<std::size_t>{3, 2, 2, 1, 0}));
}

TEST(Simulate, BudgetDefaults) {
    Doc free = counter();
    free.resources = "{}";  // no resources: +infinity, every step keeps the full width
    const SimulationResult r = free.run();
    EXPECT_EQ(widths(r), (std::vector<std::size_t>{11, 11, 11, 11, 11}));
    EXPECT_EQ(r.point_of_no_return, std::nullopt);
    EXPECT_TRUE(r.sensitivity_report->primary_culprits.empty());
    for (const TimelineStep& s : r.timeline) EXPECT_EQ(s.risk_spike, 0.0);

    Doc two = counter();  // the first resource of the document prices and budgets
    two.resources = R"({"s":{"initial":20,"min":0},"r":{"initial":40,"min":0}})";
    two.actions =
        R"([{"name":"inc","cost":{"r":10,"s":5},"effects":{"x":{"op":"add","value":1}}}])";
    EXPECT_EQ(widths(two.run()), (std::vector<std::size_t>{5, 4, 3, 2, 0}));
}

TEST(Simulate, NothingAffordable) {
    for (double budget : {-1.0, -kInf}) {
        const SimulationResult r = counter().run(budget);
        EXPECT_EQ(widths(r), (std::vector<std::size_t>{0, 0, 0, 0, 0})) << budget;
        EXPECT_EQ(r.point_of_no_return, 0u);
        EXPECT_EQ(r.verdict, "possible");
        EXPECT_NE(r.recommendation.find("Critically constrained"), std::string::npos);
        for (const TimelineStep& s : r.timeline) EXPECT_EQ(s.status, "collapsed");
    }
}

TEST(Simulate, NaNBudgetReachesTheStartOnly) {
    const SimulationResult r = counter().run(kNaN);
    EXPECT_EQ(widths(r), (std::vector<std::size_t>{1, 1, 1, 1, 1}));
    EXPECT_EQ(r.point_of_no_return, std::nullopt);
}

TEST(Simulate, InfiniteBudgetAndZeroHorizon) {
    Doc d = counter();
    d.horizon = 0;
    const SimulationResult r = d.run(kInf);
    EXPECT_EQ(widths(r), std::vector<std::size_t>{11});
    EXPECT_EQ(r.sensitivity_report->mean_thickness, r.timeline[0].thickness);
    EXPECT_EQ(r.recommendation,
              "Low optionality. Recommend diversifying available actions (T9 < threshold).");
}

TEST(Simulate, NegativeCostRaisesOneAlertAndStillRuns) {
    Doc d = counter();
    d.actions = R"([{"name":"inc","cost":{"r":-1},"effects":{"x":{"op":"add","value":1}}},)"
                R"({"name":"dec","cost":{"r":-2,"q":-3},"effects":{"x":{"op":"add","value":-1}}}])";
    const SimulationResult r = d.run(5.0);
    ASSERT_EQ(r.alerts.size(), 1u);
    EXPECT_EQ(r.alerts[0].type, "unsound_system");
    EXPECT_EQ(r.alerts[0].message, "Assumption 8.0.2 (Positive Monotonicity)");
    EXPECT_EQ(r.alerts[0].detail,
              "Negative costs detected \xE2\x80\x94 budget can increase along paths, breaking "
              "monotone contraction (T4)");
    EXPECT_EQ(r.timeline.size(), 5u);
    EXPECT_EQ(r.timeline.back().future_width, 0u);

    Doc zero = counter();  // a cost of 0.0 is fine
    zero.actions = R"([{"name":"inc","cost":{"r":0},"effects":{"x":{"op":"add","value":1}}}])";
    EXPECT_TRUE(zero.run().alerts.empty());
}

// Five variables with 10, 10, 25, 1 and 1 cells and horizon 1: score exactly 5000.
Doc hybrid_doc() {
    Doc d;
    d.variables = obj({var("a", R"("initial":0,"min":0,"max":10,"discretization":1)"),
                       var("b", R"("initial":0,"min":0,"max":10,"discretization":1)"),
                       var("c", R"("initial":0,"min":0,"max":25,"discretization":1)"),
                       var("d", R"("initial":0,"min":0,"max":1,"discretization":1)"),
                       var("e", R"("initial":0,"min":0,"max":1,"discretization":1)")});
    d.actions = R"([{"name":"a","cost":{"r":-1},"effects":{"a":{"op":"add","value":1}}}])";
    d.horizon = 1;
    return d;
}

TEST(Simulate, HybridModeAlertsAndEndsHigh) {
    const SimulationResult r = hybrid_doc().run(3.0);
    EXPECT_EQ(r.calculation_mode, ExecutionMode::Hybrid);
    EXPECT_FALSE(r.is_approximate);
    ASSERT_EQ(r.alerts.size(), 2u);
    EXPECT_EQ(r.alerts[0].type, "unsound_system");
    EXPECT_EQ(r.alerts[1].type, "high_complexity");
    EXPECT_EQ(r.alerts[1].message,
              "Performance Scaling Activated: Transitioning to geometric volume estimation (T21).");
    EXPECT_EQ(r.alerts[1].detail,
              "Complexity score (5000.0) exceeds discrete threshold (5000). Switched to Hybrid "
              "mode to preserve strategic intelligence performance.");
    EXPECT_EQ(r.trust_level, TrustLevel::High);
    EXPECT_EQ(r.error_bounds.epsilon, 0.05);
    EXPECT_EQ(r.error_bounds.confidence, 0.99);
}

TEST(Simulate, ContinuousModeEstimates) {
    Doc d;
    d.variables = obj({var("x", R"("initial":0,"min":0,"max":400,"discretization":1)")});
    d.horizon = 12;
    d.actions = R"([{"name":"inc","cost":{"r":1},"effects":{"x":{"op":"add","value":1}}}])";
    const SimulationResult r = d.run(24.0);
    EXPECT_EQ(r.calculation_mode, ExecutionMode::Continuous);
    EXPECT_TRUE(r.is_approximate);
    ASSERT_EQ(r.alerts.size(), 1u);
    EXPECT_EQ(r.alerts[0].detail,
              "Complexity score (5760.0) exceeds discrete threshold (5000). Switched to Continuous "
              "mode to preserve strategic intelligence performance.");
    // Every sample of [0, 400] is inside: E = 400 cells at every step with b > 0.
    for (std::size_t t = 0; t < 12; ++t) EXPECT_EQ(r.timeline[t].future_width, 400u) << t;
    EXPECT_EQ(r.timeline[12].future_width, 0u);
    EXPECT_EQ(r.timeline[0].status, "safe");
    EXPECT_EQ(r.verdict, "possible");  // W0 = 25 states within budget 24
    EXPECT_EQ(r.recommendation, "Trajectory is stable. Maintain current action plan.");
    EXPECT_EQ(r.trust_level, TrustLevel::High);  // the exact last step
    EXPECT_EQ(r.error_bounds.epsilon, 0.15);
    EXPECT_EQ(r.error_bounds.confidence, 0.95);
    // Width 400 after W0 = 25 is growth, not narrowing: no risk, no root cause.
    EXPECT_EQ(r.timeline[0].risk_spike, 0.0);
    EXPECT_EQ(r.timeline[0].dominant_root_cause, std::nullopt);
    EXPECT_EQ(r.timeline[12].dominant_root_cause, "x");
}

TEST(Simulate, GoalFraction) {
    const struct {
        const char* name;
        std::string goal;
        double fraction;
    } cases[] = {
        {"no conditions", "[]", 1.0},
        {"unknown variable", R"([{"variable":"nope","operator":"eq","value":0}])", 0.0},
        {"eq within tolerance", R"([{"variable":"x","operator":"eq","value":2.0000005}])", 1.0},
        {"eq outside tolerance", R"([{"variable":"x","operator":"eq","value":2.000002}])", 0.0},
        {"half",
         R"([{"variable":"x","operator":"gte","value":2},{"variable":"x","operator":"gt","value":2}])",
         0.5},
        {"lt and lte",
         R"([{"variable":"x","operator":"lt","value":3},{"variable":"x","operator":"lte","value":2}])",
         1.0},
        {"text value", R"([{"variable":"s","operator":"eq","value":0}])", 0.0},
    };
    for (const auto& c : cases) {
        Doc d;
        d.variables = obj({var("x", R"("initial":2,"discretization":1)"),
                           var("s", R"("initial":"text","discretization":1)")});
        d.goal = c.goal;
        const SimulationResult r = d.run(1.0);
        EXPECT_EQ(r.timeline[0].goal_distance, c.fraction) << c.name;
        EXPECT_EQ(r.goal_reached_at,
                  c.fraction >= 1.0 ? std::optional<std::size_t>(0) : std::nullopt)
            << c.name;
    }
}

TEST(Simulate, RepeatedRunsAgree) {
    const VibeSchema s = hybrid_doc().schema();
    EXPECT_EQ(write_result(simulate(s, 2.0)), write_result(simulate(s, 2.0)));
    const VibeSchema c = counter().schema();
    EXPECT_EQ(write_result(simulate(c, std::nullopt)), write_result(simulate(c, std::nullopt)));
}

TEST(TemporalFinding, AlertAndSuffix) {
    TemporalReport report;
    EXPECT_EQ(temporal_finding(report).alert, std::nullopt);
    EXPECT_EQ(temporal_finding(report).verdict_suffix, "");
    report.consistent = false;
    report.increases.resize(2);
    const TemporalFinding f = temporal_finding(report);
    ASSERT_TRUE(f.alert);
    EXPECT_EQ(f.alert->type, "temporal_inconsistency");
    EXPECT_EQ(f.alert->message, "Monotonicity violation detected in simulation timeline.");
    EXPECT_EQ(f.alert->detail, "Found 2 structural inconsistencies (T24).");
    EXPECT_EQ(f.verdict_suffix, " [T24 ALERT: 2 monotonicity violation(s) detected]");
}

constexpr double kBudgets[] = {-1.0, -0.0, 0.0,  0.5,  1.0,  2.5,  3.0,
                               7.0,  12.0, 40.0, kInf, kNaN, -kInf};

// The pipeline's search over the bare graph reaches what the engine over the
// public state space reaches from hash_state of the initial values: by one
// search and through the least-cost table, with the same least costs.
void expect_search_matches_engine(const VibeSchema& schema, const ReachabilityEngine& engine,
                                  const std::string& start) {
    const InitialStateSearch search(compile_state_graph(schema));
    ASSERT_EQ(search.has_negative_cost(), engine.has_negative_cost());
    const ReachableWidth table(search);
    for (const double b : kBudgets) {
        const ReachableSet expected = engine.compute_reachable_set(start, b);
        EXPECT_EQ(search.count_reachable(b), expected.reachable.size()) << "budget " << b;
        EXPECT_EQ(table.count(b), expected.reachable.size()) << "budget " << b;
        std::vector<double> least = search.least_costs(b);
        std::vector<double> expected_least;
        for (const auto& entry : expected.costs) expected_least.push_back(entry.second);
        std::sort(least.begin(), least.end());
        std::sort(expected_least.begin(), expected_least.end());
        EXPECT_EQ(least, expected_least) << "budget " << b;
    }
}

// A whole run's recommendation and step widths as the engine gives them; false
// when the run estimates its widths (Continuous mode), so only W0 is compared.
bool expect_run_matches_engine(const VibeSchema& schema, std::optional<double> given,
                               const ReachabilityEngine& engine, const std::string& start) {
    const double budget = given                      ? *given
                          : schema.resources.empty() ? kInf
                                                     : schema.resources.front().second.initial;
    const SimulationResult r = simulate(schema, given);
    const std::size_t w0 = engine.compute_reachable_set(start, budget).reachable.size();
    EXPECT_EQ(r.recommendation, verdict_for(w0).recommendation) << "budget " << budget;
    if (r.calculation_mode == ExecutionMode::Continuous) return false;
    const std::size_t horizon = schema.time.horizon;
    std::vector<std::size_t> expected_widths;
    for (std::size_t t = 0; t <= horizon; ++t) {
        const double b = step_budget(budget, t, horizon);
        expected_widths.push_back(b <= 0 ? 0
                                         : engine.compute_reachable_set(start, b).reachable.size());
    }
    EXPECT_EQ(widths(r), expected_widths) << "budget " << budget;
    return true;
}

// The pipeline searches the bare compiled graph; it must reach exactly what the
// engine over the public state space reaches from hash_state of the initial
// values, for every budget: by one search, through the least-cost table, and in
// the widths and verdict of a whole run. Negative costs and ties make the
// queue's tie order show, so the graph's identifier ranks are checked too.
TEST(ReachableWidth, MatchesTheEngineOnRandomScenarios) {
    std::mt19937 rng(20240611);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const char* costs[] = {"0", "1", "1", "2", "3", "0.5", "6", "-1"};
    int negative_rounds = 0;
    int whole_runs = 0;
    for (int round = 0; round < 400; ++round) {
        Doc d;
        const int n = pick(1, 3);
        d.variables = "{";
        for (int i = 0; i < n; ++i) {
            if (i) d.variables += ",";
            d.variables +=
                var(cat("v", std::to_string(i)),
                    cat("\"initial\":0,\"min\":-", std::to_string(pick(0, 4)),
                        ",\"max\":", std::to_string(pick(1, 5)), ",\"discretization\":1"));
        }
        d.variables += "}";
        d.resources = R"({"r":{"initial":10,"min":0}})";
        d.actions = "[";
        const int actions = pick(1, 5);
        const bool negative = pick(0, 5) == 0;
        for (int a = 0; a < actions; ++a) {
            if (a) d.actions += ",";
            const std::string cost = costs[pick(0, negative ? 7 : 6)];
            std::string precondition;
            if (pick(0, 3) == 0)
                precondition = cat(R"(,"preconditions":["v)", std::to_string(pick(0, n - 1)), " < ",
                                   std::to_string(pick(-1, 3)), R"("])");
            d.actions += cat(R"({"name":"a","cost":{"r":)", cost, R"(},"effects":{"v)",
                             std::to_string(pick(0, n - 1)), R"(":{"op":"add","value":)",
                             std::to_string(pick(-2, 2)), "}}", precondition, "}");
        }
        d.actions += "]";
        if (pick(0, 3) == 0)
            d.constraints = cat(R"([{"type":"threshold","mode":"hard","variable":"v0",)",
                                R"("operator":"lt","value":)", std::to_string(pick(0, 3)), "}]");
        d.horizon = static_cast<std::size_t>(pick(0, 6));
        const VibeSchema schema = d.schema();
        SCOPED_TRACE(d.text());

        const ReachabilityEngine engine(ScenarioCompiler::compile(schema));
        const std::string start = hash_state(get_initial_attributes(schema.variables));
        negative_rounds += engine.has_negative_cost();
        expect_search_matches_engine(schema, engine, start);
        const std::optional<double> given =
            pick(0, 3) == 0 ? std::nullopt : std::optional<double>(kBudgets[pick(0, 12)]);
        whole_runs += expect_run_matches_engine(schema, given, engine, start);
        if (HasFailure()) break;
    }
    EXPECT_GT(negative_rounds, 20);
    EXPECT_GT(whole_runs, 200);
}

TEST(ReachableWidth, ExampleScenariosMatchTheEngine) {
    testing::check_example_schemas([](const VibeSchema& schema) {
        const ReachabilityEngine engine(ScenarioCompiler::compile(schema));
        const std::string start = hash_state(get_initial_attributes(schema.variables));
        expect_search_matches_engine(schema, engine, start);
        for (const std::optional<double> given : {std::optional<double>(), std::optional(5.0),
                                                  std::optional(50.0), std::optional(kInf)})
            expect_run_matches_engine(schema, given, engine, start);
    });
}

TEST(ReachableWidth, CountWithinTable) {
    const std::vector<double> costs{0.0, 0.0, 1.0, 2.5, kInf};
    EXPECT_EQ(count_within(costs, -1.0), 1u);
    EXPECT_EQ(count_within(costs, -0.0), 2u);
    EXPECT_EQ(count_within(costs, 2.5), 4u);
    EXPECT_EQ(count_within(costs, 1e300), 4u);
    EXPECT_EQ(count_within(costs, kInf), 5u);
    EXPECT_EQ(count_within(costs, kNaN), 1u);
    EXPECT_EQ(count_within({}, 3.0), 1u);
}

}  // namespace
}  // namespace kestrova
