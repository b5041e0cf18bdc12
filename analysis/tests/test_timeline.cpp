#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "lib/timeline.hpp"

namespace kestrova {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// x in [0, 10] and y in [0, 2]: the nearest bound to the centre belongs to y.
PolytopeModel two_variable_model() {
    NamedMap<VariableDefinition> vars;
    VariableDefinition x;
    x.min = 0.0;
    x.max = 10.0;
    x.discretization = 1.0;
    VariableDefinition y = x;
    y.max = 2.0;
    vars.assign("x", x);
    vars.assign("y", y);
    const std::vector<std::string> names{"x", "y"};
    return build_polytope(names, vars, {});
}

struct Fixture {
    PolytopeModel model = two_variable_model();
    TimelineInputs in;
    std::vector<double> budgets_seen;
    int estimates = 0;
    VolumeEstimate estimate{};

    Fixture() {
        in.model = &model;
        in.thickness = 1.0;
        in.geometric_ratio = 0.5;
    }

    // Discrete widths from a table keyed by t, found by the budget's position.
    TimelineWalk walk(std::function<std::size_t(double)> width) {
        StepWidthSources sources;
        sources.reachable_width = [&, width](double b) {
            budgets_seen.push_back(b);
            return width(b);
        };
        sources.volume_estimate = [&] {
            ++estimates;
            return estimate;
        };
        return walk_timeline(in, sources);
    }

    // Widths listed per step: step t has budget B * (1 - t / H), so look t up from b.
    TimelineWalk walk_widths(std::vector<std::size_t> widths) {
        return walk([this, widths](double b) {
            const double t = (1.0 - b / in.budget) * static_cast<double>(in.horizon);
            return widths.at(static_cast<std::size_t>(std::llround(t)));
        });
    }
};

TEST(StepBudget, Table) {
    const struct {
        double budget;
        std::size_t t, horizon;
        double expected;
    } cases[] = {
        {40, 0, 10, 40},        {40, 5, 10, 20},
        {40, 10, 10, 0},        {40, 1, 3, 40 * (1.0 - 1.0 / 3)},
        {40, 0, 0, 40},         {kInf, 10, 10, kInf},
        {-kInf, 10, 10, -kInf}, {-kInf, 0, 10, -kInf},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(step_budget(c.budget, c.t, c.horizon), c.expected)
            << c.budget << " t=" << c.t << " H=" << c.horizon;
    }
    EXPECT_TRUE(std::signbit(step_budget(-8, 4, 4)));  // -0: still "nothing affordable"
    EXPECT_TRUE(std::isnan(step_budget(kNaN, 2, 4)));
}

TEST(WidthFromEstimate, TruncatesAndClamps) {
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    const struct {
        double estimate;
        std::size_t width;
    } cases[] = {
        {0.0, 0},     {-0.0, 0},
        {-3.5, 0},    {kNaN, 0},
        {2.99, 2},    {1e30, kMax},
        {kInf, kMax}, {static_cast<double>(kMax), kMax},  // rounds up to 2^64 (or 2^32)
    };
    for (const auto& c : cases) EXPECT_EQ(width_from_estimate(c.estimate), c.width) << c.estimate;
    if (sizeof(std::size_t) == 8) {
        EXPECT_EQ(width_from_estimate(18446744073709549568.0), 18446744073709549568ULL);
    }
}

TEST(Verdict, FromInitialWidth) {
    const std::string critical =
        "Critically constrained \xE2\x80\x94 narrow corridor detected (T14). Urgent: reduce scope "
        "or add resources.";
    const std::string low =
        "Low optionality. Recommend diversifying available actions (T9 < threshold).";
    const std::string stable = "Trajectory is stable. Maintain current action plan.";
    EXPECT_EQ(critical.size(), 97u);
    const struct {
        std::size_t w0;
        const char* word;
        std::string recommendation;
    } cases[] = {
        {0, "impossible",
         "Goal is structurally unreachable. Expand action space or relax constraints."},
        {1, "possible", critical},
        {3, "possible", critical},
        {5, "possible", critical},
        {6, "possible", low},
        {20, "possible", low},
        {21, "possible", stable},
        {1000000, "possible", stable},
    };
    for (const auto& c : cases) {
        const Verdict v = verdict_for(c.w0);
        EXPECT_EQ(v.word, c.word) << c.w0;
        EXPECT_EQ(v.recommendation, c.recommendation) << c.w0;
    }
}

TEST(Timeline, SingleStepWithZeroHorizon) {
    Fixture f;
    f.in.budget = 7;
    f.in.horizon = 0;
    f.in.initial_width = 8;
    f.in.thickness = 0.5;
    const TimelineWalk w = f.walk([](double) { return std::size_t{4}; });
    ASSERT_EQ(w.steps.size(), 1u);
    EXPECT_EQ(f.budgets_seen, std::vector<double>{7});
    EXPECT_EQ(w.steps[0].thickness, 0.25);
    EXPECT_EQ(w.sensitivity.mean_thickness, 0.25);
    EXPECT_EQ(w.steps[0].risk_spike, 0.5);  // narrowing 1 bit, G = 0.5
    EXPECT_EQ(w.sensitivity.peak_fragility, 0.5);
}

TEST(Timeline, FiniteBudgetCollapsesAtHorizon) {
    Fixture f;
    f.in.budget = 10;
    f.in.horizon = 10;
    f.in.initial_width = 30;
    f.in.goal_fraction = 0.5;
    const TimelineWalk w =
        f.walk([](double b) { return static_cast<std::size_t>(std::ceil(b)) * 3; });
    ASSERT_EQ(w.steps.size(), 11u);
    ASSERT_EQ(f.budgets_seen.size(), 10u);  // the last step never searches
    for (std::size_t t = 0; t < 10; ++t) EXPECT_EQ(f.budgets_seen[t], 10 * (1.0 - t / 10.0));
    const TimelineStep& last = w.steps.back();
    EXPECT_EQ(last.t, 10u);
    EXPECT_EQ(last.future_width, 0u);
    EXPECT_EQ(last.status, "collapsed");
    EXPECT_EQ(last.entropy, 0.0);
    EXPECT_EQ(last.risk_spike, 0.0);  // infinite narrowing counts as none
    EXPECT_EQ(w.point_of_no_return, 10u);
    EXPECT_EQ(w.goal_reached_at, std::nullopt);
    EXPECT_EQ(w.steps[3].goal_distance, 0.5);
    EXPECT_EQ(w.steps[1].future_width, 27u);
    EXPECT_EQ(w.steps[1].entropy, std::log2(27.0));
    EXPECT_EQ(w.steps[1].risk_spike, 0.5 * (std::log2(30.0) - std::log2(27.0)));
    EXPECT_EQ(w.steps[1].dominant_root_cause, "y");
    EXPECT_EQ(w.steps[0].dominant_root_cause, std::nullopt);  // w = W0
    EXPECT_EQ(*w.sensitivity.primary_culprits.find("y"), 10u);
    EXPECT_EQ(w.sensitivity.primary_culprits.size(), 1u);
    ASSERT_EQ(w.widths.size(), 11u);
    EXPECT_EQ(w.widths[1].width, 27.0);
    EXPECT_EQ(w.widths[1].t, 1u);
    EXPECT_EQ(w.trust_level, TrustLevel::High);
    EXPECT_EQ(w.error_bounds.epsilon, 0.0);
    EXPECT_EQ(w.error_bounds.confidence, 1.0);
}

TEST(Timeline, InfiniteBudgetKeepsFullWidth) {
    Fixture f;
    f.in.budget = kInf;
    f.in.horizon = 4;
    f.in.initial_width = 12;
    f.in.goal_fraction = 1.0;
    const TimelineWalk w = f.walk([](double) { return std::size_t{12}; });
    for (const TimelineStep& s : w.steps) {
        EXPECT_EQ(s.future_width, 12u);
        EXPECT_EQ(s.risk_spike, 0.0);
        EXPECT_EQ(s.dominant_root_cause, std::nullopt);
        EXPECT_EQ(s.status, "narrowing");
        EXPECT_EQ(s.thickness, 1.0);
    }
    for (double b : f.budgets_seen) EXPECT_EQ(b, kInf);
    EXPECT_TRUE(w.sensitivity.primary_culprits.empty());
    EXPECT_EQ(w.point_of_no_return, std::nullopt);
    EXPECT_EQ(w.goal_reached_at, 0u);
}

TEST(Timeline, NothingAffordableCollapsesEveryStep) {
    for (double budget : {-5.0, -0.0, 0.0, -kInf}) {
        Fixture f;
        f.in.budget = budget;
        f.in.horizon = 3;
        f.in.initial_width = 1;
        const TimelineWalk w = f.walk([](double) { return std::size_t{99}; });
        EXPECT_TRUE(f.budgets_seen.empty()) << budget;
        for (const TimelineStep& s : w.steps) {
            EXPECT_EQ(s.future_width, 0u) << budget;
            EXPECT_EQ(s.status, "collapsed") << budget;
        }
        EXPECT_EQ(w.point_of_no_return, 0u) << budget;
    }
}

TEST(Timeline, NaNBudgetStillSearches) {
    Fixture f;
    f.in.budget = kNaN;
    f.in.horizon = 2;
    f.in.initial_width = 1;
    const TimelineWalk w = f.walk([](double) { return std::size_t{1}; });
    EXPECT_EQ(f.budgets_seen.size(), 3u);
    EXPECT_EQ(w.point_of_no_return, std::nullopt);
}

TEST(Timeline, StatusesAndRisk) {
    Fixture f;
    f.in.budget = 6;
    f.in.horizon = 6;
    f.in.initial_width = 21;
    // Widths per step; the last step (b = 0) is 0 by rule.
    const TimelineWalk w = f.walk_widths({21, 20, 6, 5, 1, 1, 0});
    const char* statuses[] = {"safe",     "narrowing", "narrowing", "critical",
                              "critical", "critical",  "collapsed"};
    for (std::size_t t = 0; t < 7; ++t) EXPECT_EQ(w.steps[t].status, statuses[t]) << t;
    EXPECT_EQ(w.steps[0].risk_spike, 0.0);
    EXPECT_EQ(w.steps[2].risk_spike, 0.5 * (std::log2(20.0) - std::log2(6.0)));
    EXPECT_EQ(w.steps[5].risk_spike, 0.0);
    EXPECT_EQ(w.point_of_no_return, 6u);
}

TEST(Timeline, RiskSpikeCapsNarrowingAndValue) {
    const struct {
        std::size_t previous, width;
        double g, risk;
    } cases[] = {
        {32, 8, 0.5, 1.0},                              // 2 bits
        {8192, 8, 0.5, 5.0},                            // 10 bits: the most that counts
        {1u << 20, 1, 0.5, 5.0},                        // 20 bits counted as 10
        {32, 8, 80.0, 100.0},                           // capped at 100
        {32, 8, kInf, 100.0},    {32, 8, -0.25, -0.5},  // centre outside a constraint
        {8, 32, 0.5, 0.0},                              // growth
    };
    for (const auto& c : cases) {
        Fixture f;
        f.in.budget = 1;
        f.in.horizon = 0;
        f.in.initial_width = c.previous;
        f.in.geometric_ratio = c.g;
        const std::size_t width = c.width;
        const TimelineWalk w = f.walk([width](double) { return width; });
        EXPECT_EQ(w.steps[0].risk_spike, c.risk) << c.previous << "->" << c.width << " G=" << c.g;
        EXPECT_EQ(w.sensitivity.peak_fragility, std::max(c.risk, 0.0));
    }
}

TEST(Timeline, ThicknessFromPolytope) {
    const struct {
        double t;
        std::size_t w0, w;
        double thickness;
    } cases[] = {
        {0.5, 40, 20, 0.25}, {-3.0, 40, 20, 0.0}, {kInf, 40, 20, 0.5},
        {kNaN, 40, 20, 0.5}, {2.0, 40, 40, 2.0},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.in.budget = 1;
        f.in.horizon = 0;
        f.in.initial_width = c.w0;
        f.in.thickness = c.t;
        const std::size_t width = c.w;
        const TimelineWalk w = f.walk([width](double) { return width; });
        EXPECT_EQ(w.steps[0].thickness, c.thickness) << c.t;
        EXPECT_FALSE(std::signbit(w.steps[0].thickness)) << c.t;
    }
}

TEST(Timeline, ContinuousUsesOneEstimate) {
    Fixture f;
    f.in.mode = ExecutionMode::Continuous;
    f.in.budget = 10;
    f.in.horizon = 4;
    f.in.initial_width = 50;
    f.in.seed_epsilon = 0.15;
    f.in.seed_confidence = 0.95;
    f.in.initial_trust = TrustLevel::Low;
    f.estimate = {30.7, 0.4, TrustLevel::Medium};
    const TimelineWalk w = f.walk([](double) -> std::size_t {
        ADD_FAILURE();
        return 0;
    });
    EXPECT_EQ(f.estimates, 1);
    for (std::size_t t = 0; t < 4; ++t) EXPECT_EQ(w.steps[t].future_width, 30u);
    EXPECT_EQ(w.steps[4].future_width, 0u);
    EXPECT_EQ(w.error_bounds.epsilon, 0.4);
    EXPECT_EQ(w.error_bounds.confidence, 0.95);
    EXPECT_EQ(w.trust_level, TrustLevel::High);  // the exact last step
}

TEST(Timeline, ContinuousTrustWithoutExactStep) {
    Fixture f;
    f.in.mode = ExecutionMode::Continuous;
    f.in.budget = kInf;
    f.in.horizon = 2;
    f.in.initial_width = 5;
    f.in.seed_epsilon = 0.15;
    f.in.seed_confidence = 0.95;
    f.in.initial_trust = TrustLevel::Low;
    f.estimate = {1e40, 0.01, TrustLevel::Medium};
    const TimelineWalk w = f.walk([](double) -> std::size_t { return 0; });
    EXPECT_EQ(w.trust_level, TrustLevel::Medium);
    EXPECT_EQ(w.error_bounds.epsilon, 0.15);
    EXPECT_EQ(w.steps[0].future_width, std::numeric_limits<std::size_t>::max());
    EXPECT_EQ(w.steps[0].thickness, 1.0 * (static_cast<double>(w.steps[0].future_width) / 5.0));
}

TEST(Timeline, ContinuousWithoutVariablesIsExactZero) {
    Fixture f;
    PolytopeModel empty = build_polytope({}, {}, {});
    f.in.model = &empty;
    f.in.mode = ExecutionMode::Continuous;
    f.in.budget = 3;
    f.in.horizon = 1;
    f.in.initial_width = 1;
    f.in.initial_trust = TrustLevel::Low;
    const TimelineWalk w = f.walk([](double) -> std::size_t { return 7; });
    EXPECT_EQ(f.estimates, 0);
    EXPECT_EQ(w.steps[0].future_width, 0u);
    EXPECT_EQ(w.steps[0].dominant_root_cause, std::nullopt);
    EXPECT_EQ(w.trust_level, TrustLevel::High);
}

TEST(Timeline, HybridEndsHighWithSeedBounds) {
    Fixture f;
    f.in.mode = ExecutionMode::Hybrid;
    f.in.budget = 4;
    f.in.horizon = 2;
    f.in.initial_width = 3;
    f.in.seed_epsilon = 0.05;
    f.in.seed_confidence = 0.99;
    f.in.initial_trust = TrustLevel::Medium;
    const TimelineWalk w = f.walk([](double) { return std::size_t{3}; });
    EXPECT_EQ(w.trust_level, TrustLevel::High);
    EXPECT_EQ(w.error_bounds.epsilon, 0.05);
    EXPECT_EQ(w.error_bounds.confidence, 0.99);
}

}  // namespace
}  // namespace kestrova
