#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "reachability/core/reachability_engine.hpp"
#include "reference_search.hpp"
#include "types.hpp"

namespace kestrova {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

using Edge = std::tuple<std::string, std::string, double>;
using Paths = std::unordered_map<std::string, std::vector<std::string>>;
using Costs = std::unordered_map<std::string, double>;

StateSpace graph(const std::vector<std::string>& states, const std::vector<Edge>& edges) {
    StateSpace space;
    for (const auto& id : states) space.states.emplace(id, State{id, {}});
    for (const auto& [from, to, cost] : edges) {
        space.transitions.push_back(Transition{from, to, cost, {}});
    }
    return space;
}

void expect_consistent(const ReachableSet& result) {
    EXPECT_EQ(result.reachable.size(), result.costs.size());
    EXPECT_EQ(result.paths.size(), result.costs.size());
    for (const auto& [id, cost] : result.costs) {
        EXPECT_TRUE(result.reachable.contains(id));
        ASSERT_TRUE(result.paths.contains(id));
        EXPECT_EQ(result.paths.at(id).front(), result.origin);
        EXPECT_EQ(result.paths.at(id).back(), id);
    }
}

TEST(Reachability, StartAloneCases) {
    const StateSpace chain = graph({"a", "b"}, {{"a", "b", 1.0}});
    struct Case {
        const char* label;
        StateSpace space;
        std::string start;
        double budget;
    };
    const Case cases[] = {
        {"no transitions", graph({"a", "b"}, {}), "a", kInf},
        {"budget 0 with positive costs", chain, "a", 0.0},
        {"negative budget", graph({"a", "b"}, {{"a", "b", 0.0}}), "a", -1.0},
        {"NaN budget", graph({"a", "b"}, {{"a", "b", 0.0}}), "a", kNaN},
        {"start outside the space", chain, "zzz", kInf},
        {"start only named by transitions", graph({"b"}, {{"a", "b", 1.0}}), "a", kInf},
        {"empty space, empty start", StateSpace{}, "", kInf},
    };
    for (const auto& c : cases) {
        const ReachabilityEngine engine(c.space);
        const ReachableSet result = engine.compute_reachable_set(c.start, c.budget);
        EXPECT_EQ(result.reachable, std::unordered_set<std::string>{c.start}) << c.label;
        EXPECT_EQ(result.costs, (Costs{{c.start, 0.0}})) << c.label;
        EXPECT_EQ(result.paths, (Paths{{c.start, {c.start}}})) << c.label;
        EXPECT_EQ(result.origin, c.start);
        EXPECT_TRUE(result.budget == c.budget || std::isnan(c.budget));
        EXPECT_EQ(engine.count_reachable(c.start, c.budget), 1u) << c.label;
        EXPECT_EQ(engine.least_costs(c.start, c.budget), std::vector<double>{0.0}) << c.label;
    }
}

TEST(Reachability, LeastCostsAndPaths) {
    struct Case {
        const char* label;
        StateSpace space;
        double budget;
        Costs costs;
        Paths paths;
    };
    const Case cases[] = {
        {"zero costs reach everything connected whatever the budget",
         graph({"s", "a", "b", "c"}, {{"s", "a", 0.0}, {"a", "b", 0.0}, {"b", "s", 0.0}}),
         0.0,
         {{"s", 0.0}, {"a", 0.0}, {"b", 0.0}},
         {{"s", {"s"}}, {"a", {"s", "a"}}, {"b", {"s", "a", "b"}}}},
        {"a budget equal to the path cost reaches its end",
         graph({"s", "a", "b"}, {{"s", "a", 1.5}, {"a", "b", 2.5}}),
         4.0,
         {{"s", 0.0}, {"a", 1.5}, {"b", 4.0}},
         {{"s", {"s"}}, {"a", {"s", "a"}}, {"b", {"s", "a", "b"}}}},
        {"just below the path cost does not",
         graph({"s", "a", "b"}, {{"s", "a", 1.5}, {"a", "b", 2.5}}),
         3.999,
         {{"s", 0.0}, {"a", 1.5}},
         {{"s", {"s"}}, {"a", {"s", "a"}}}},
        {"duplicate edges: the cheaper wins",
         graph({"s", "b"}, {{"s", "b", 5.0}, {"s", "b", 3.0}}),
         kInf,
         {{"s", 0.0}, {"b", 3.0}},
         {{"s", {"s"}}, {"b", {"s", "b"}}}},
        {"a detour beats a direct edge",
         graph({"s", "a", "b"}, {{"s", "b", 5.0}, {"s", "a", 1.0}, {"a", "b", 1.0}}),
         kInf,
         {{"s", 0.0}, {"a", 1.0}, {"b", 2.0}},
         {{"s", {"s"}}, {"a", {"s", "a"}}, {"b", {"s", "a", "b"}}}},
        {"the budget bounds each path, not the search",
         graph({"s", "a", "b"}, {{"s", "a", 3.0}, {"s", "b", 3.0}}),
         3.0,
         {{"s", 0.0}, {"a", 3.0}, {"b", 3.0}},
         {{"s", {"s"}}, {"a", {"s", "a"}}, {"b", {"s", "b"}}}},
        {"NaN and infinite costs",
         graph({"s", "a", "b"}, {{"s", "a", kNaN}, {"s", "b", kInf}}),
         kInf,
         {{"s", 0.0}, {"b", kInf}},
         {{"s", {"s"}}, {"b", {"s", "b"}}}},
        {"a state that is only a transition target is still entered",
         graph({"s"}, {{"s", "ghost", 1.0}, {"ghost", "g2", 1.0}}),
         kInf,
         {{"s", 0.0}, {"ghost", 1.0}, {"g2", 2.0}},
         {{"s", {"s"}}, {"ghost", {"s", "ghost"}}, {"g2", {"s", "ghost", "g2"}}}},
    };
    for (const auto& c : cases) {
        const ReachabilityEngine engine(c.space);
        const ReachableSet result = engine.compute_reachable_set("s", c.budget);
        expect_consistent(result);
        EXPECT_EQ(result.costs, c.costs) << c.label;
        EXPECT_EQ(result.paths, c.paths) << c.label;
        EXPECT_EQ(engine.count_reachable("s", c.budget), c.costs.size()) << c.label;
    }
}

TEST(Reachability, EqualCostTiesFollowQueueAndNeighbourOrder) {
    // Two equally cheap ways to t: through a or through b. Entries of equal
    // cost leave the queue greatest identifier first, so b relaxes t first.
    const ReachableSet by_queue =
        ReachabilityEngine(
            graph({"s", "a", "b", "t"},
                  {{"s", "a", 1.0}, {"s", "b", 1.0}, {"a", "t", 1.0}, {"b", "t", 1.0}}))
            .compute_reachable_set("s", kInf);
    EXPECT_EQ(by_queue.paths.at("t"), (std::vector<std::string>{"s", "b", "t"}));

    // From one state, the neighbour list order decides; swapping the actions
    // changes the path but not the cost.
    const auto via = [](const std::vector<Edge>& first_edges) {
        std::vector<Edge> edges = first_edges;
        edges.insert(edges.end(), {{"x", "t", 0.0}, {"y", "t", 0.0}});
        return ReachabilityEngine(graph({"s", "x", "y", "t"}, edges)).compute_reachable_set("s", 5);
    };
    const ReachableSet one = via({{"s", "x", 1.0}, {"s", "y", 1.0}});
    const ReachableSet two = via({{"s", "y", 1.0}, {"s", "x", 1.0}});
    EXPECT_EQ(one.costs, two.costs);
    EXPECT_EQ(one.paths.at("t"), (std::vector<std::string>{"s", "y", "t"}));  // y leaves first
    // Same cost through one state: the first neighbour found is kept.
    const ReachableSet direct =
        ReachabilityEngine(graph({"s", "t"}, {{"s", "t", 2.0}, {"s", "t", 2.0}}))
            .compute_reachable_set("s", kInf);
    EXPECT_EQ(direct.paths.at("t"), (std::vector<std::string>{"s", "t"}));

    // A longer identifier beats its own prefix.
    const ReachableSet prefix =
        ReachabilityEngine(
            graph({"s", "a", "ab", "t"},
                  {{"s", "a", 1.0}, {"s", "ab", 1.0}, {"a", "t", 1.0}, {"ab", "t", 1.0}}))
            .compute_reachable_set("s", kInf);
    EXPECT_EQ(prefix.paths.at("t"), (std::vector<std::string>{"s", "ab", "t"}));
    // Bytes above 0x7F sort after ASCII.
    const ReachableSet high =
        ReachabilityEngine(
            graph(
                {"s", "z", "\xC3\xA9", "t"},
                {{"s", "z", 1.0}, {"s", "\xC3\xA9", 1.0}, {"z", "t", 1.0}, {"\xC3\xA9", "t", 1.0}}))
            .compute_reachable_set("s", kInf);
    EXPECT_EQ(high.paths.at("t"), (std::vector<std::string>{"s", "\xC3\xA9", "t"}));
}

TEST(Reachability, NegativeCostsEndAndSettleEachStateOnce) {
    // A negative cycle s -> a -> s would lower costs forever without the
    // settle rule.
    const ReachabilityEngine engine(graph(
        {"s", "a", "b"}, {{"s", "a", -1.0}, {"a", "s", -1.0}, {"a", "b", 2.0}, {"b", "a", -5.0}}));
    EXPECT_TRUE(engine.has_negative_cost());
    const ReachableSet result = engine.compute_reachable_set("s", 1.0);
    expect_consistent(result);
    EXPECT_EQ(result.costs, (Costs{{"s", 0.0}, {"a", -1.0}, {"b", 1.0}}));
    EXPECT_EQ(result.paths.at("b"), (std::vector<std::string>{"s", "a", "b"}));
    EXPECT_EQ(engine.count_reachable("s", 1.0), 3u);
    EXPECT_EQ(engine.count_reachable("s", 0.0), 2u);
    // A negative budget can be met by negative costs.
    EXPECT_EQ(engine.compute_reachable_set("s", -1.0).costs, (Costs{{"s", 0.0}, {"a", -1.0}}));
    EXPECT_FALSE(
        ReachabilityEngine(graph({"s"}, {{"s", "s", 0.0}, {"s", "s", -0.0}})).has_negative_cost());
}

TEST(Reachability, EngineCopiesAndMovesKeepWorking) {
    ReachabilityEngine original(graph({"s", "a"}, {{"s", "a", 1.0}}));
    ReachabilityEngine copy(original);
    ReachabilityEngine moved(std::move(original));
    original = copy;  // assigning to a moved-from engine revives it
    for (const ReachabilityEngine* engine : {&copy, &moved, &original}) {
        EXPECT_EQ(engine->count_reachable("s", 1.0), 2u);
        EXPECT_EQ(engine->space().transitions.size(), 1u);
    }
}

// The engine against the direct algorithm on random graphs with ties, zero
// costs, duplicate edges, self-loops and identifiers that are prefixes of others.
TEST(Reachability, MatchesTheDirectSearchOnRandomGraphs) {
    std::mt19937 rng(424242);
    const auto pick = [&](unsigned n) { return rng() % n; };
    const double weights[] = {0.0, 0.0, 1.0, 1.0, 2.0, 0.5, 3.0, kInf};
    for (int round = 0; round < 400; ++round) {
        const unsigned n = 1 + pick(30);
        std::vector<std::string> ids;
        for (unsigned i = 0; i < n; ++i) {
            std::string id = pick(2) ? "x" : "xy";
            id += std::to_string(pick(3 * n));
            ids.push_back(id);
        }
        std::vector<Edge> edges;
        for (unsigned e = pick(4 * n + 1); e > 0; --e) {
            const std::string& from = ids[pick(n)];
            const std::string& to = ids[pick(n)];
            const double w = weights[pick(8)];
            edges.emplace_back(from, to, w);
            if (pick(6) == 0) edges.emplace_back(from, to, w);  // duplicate
        }
        const StateSpace space = graph(ids, edges);
        const ReachabilityEngine engine(space);
        const double budgets[] = {0.0, 1.0, 2.5, 4.0, kInf};
        const std::string start = pick(10) == 0 ? "missing" : ids[pick(n)];
        for (const double budget : budgets) {
            SCOPED_TRACE(testing::Message() << "round " << round << " budget " << budget);
            const auto expected = reference::least_cost_search(space, start, budget);
            const ReachableSet actual = engine.compute_reachable_set(start, budget);
            ASSERT_EQ(actual.costs, expected.costs);
            ASSERT_EQ(actual.paths, expected.paths);
            ASSERT_EQ(actual.reachable.size(), expected.costs.size());
            ASSERT_EQ(engine.count_reachable(start, budget), expected.costs.size());
            std::vector<double> costs = engine.least_costs(start, budget);
            std::vector<double> expected_costs;
            for (const auto& entry : expected.costs) expected_costs.push_back(entry.second);
            std::sort(costs.begin(), costs.end());
            std::sort(expected_costs.begin(), expected_costs.end());
            ASSERT_EQ(costs, expected_costs);
        }
        // Counting least costs within b, as the timeline does, matches a search with budget b.
        if (!engine.has_negative_cost()) {
            const std::vector<double> all = engine.least_costs(start, kInf);
            for (const double b : budgets) {
                const auto within =
                    std::count_if(all.begin(), all.end(), [&](double c) { return c <= b; });
                ASSERT_EQ(static_cast<std::size_t>(within), engine.count_reachable(start, b));
            }
        }
    }
}

}  // namespace
}  // namespace kestrova
