// Compilation and reachability speed, with the direct reference algorithms
// measured side by side in the same run. Prints medians.
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench_timing.hpp"
#include "reachability/core/initial_state_search.hpp"
#include "reachability/core/reachability_engine.hpp"
#include "reference_compile.hpp"
#include "reference_search.hpp"
#include "types.hpp"
#include "vibe/compiler.hpp"
#include "vibe/compiler_graph.hpp"

namespace {

using namespace kestrova;
using namespace kestrova::bench;

// Five variables on 0..9 and eight actions that step them: the grid has
// 100000 points, so compilation stops at the expansion limit.
VibeSchema grid_scenario() {
    VibeSchema schema;
    schema.resources.assign("time", ResourceDefinition{100.0, 0.0, std::nullopt});
    for (const char* name : {"alpha", "beta", "gamma", "delta", "epsilon"}) {
        VariableDefinition v;
        v.initial = 0.0;
        v.min = 0.0;
        v.max = 9.0;
        v.discretization = 1.0;
        schema.variables.assign(name, v);
    }
    const struct {
        const char* variable;
        double step;
        double cost;
        const char* precondition;
    } steps[] = {{"alpha", 1, 1, "alpha < 9"}, {"alpha", -1, 1, "alpha > 0"},
                 {"beta", 1, 2, "beta < 9"},   {"beta", -1, 1, "beta > 0 && alpha > 0"},
                 {"gamma", 1, 3, ""},          {"delta", 1, 1, "delta <= 8"},
                 {"epsilon", 1, 2, "true"},    {"gamma", -2, 1, "gamma >= 2"}};
    for (const auto& s : steps) {
        ActionDefinition action;
        action.name = std::string("step_") + s.variable;
        action.cost.assign("time", s.cost);
        Effect effect;
        effect.op = EffectOp::Add;
        effect.value = s.step;
        action.effects.assign(s.variable, effect);
        if (*s.precondition) action.preconditions = std::vector<std::string>{s.precondition};
        schema.actions.push_back(action);
    }
    TransitionDefinition drift;
    drift.name = "drift";
    drift.type = TransitionType::Triggered;
    drift.condition = "epsilon > 8";
    Effect reset;
    reset.op = EffectOp::Set;
    reset.value = 0.0;
    drift.effects.assign("epsilon", reset);
    schema.transitions.push_back(drift);
    return schema;
}

StateSpace chain_space(int length) {
    StateSpace space;
    std::vector<std::string> ids;
    for (int i = 0; i < length; ++i) {
        AttributeMap attributes{{"x", static_cast<double>(i)}};
        ids.push_back(hash_state(attributes));
        space.states.emplace(ids.back(), State{ids.back(), attributes});
    }
    for (int i = 0; i + 1 < length; ++i) space.transitions.push_back({ids[i], ids[i + 1], 1.0, {}});
    return space;
}

// Each variant runs `runs` times in its own loop, so one variant's freeing
// never lands in another's timing; medians are compared.
void compare_search(const char* label, const StateSpace& space, const std::string& start,
                    double budget, int runs) {
    std::vector<double> construction;
    for (int r = 0; r < runs; ++r) {
        StateSpace copy = space;
        std::optional<ReachabilityEngine> engine;  // destroyed outside the timed part
        construction.push_back(seconds([&] { engine.emplace(std::move(copy)); }));
    }
    const ReachabilityEngine engine(space);
    std::size_t reached = 0;
    std::vector<double> direct;
    for (int r = 0; r < runs; ++r) {
        direct.push_back(seconds(
            [&] { reached = reference::least_cost_search(space, start, budget).costs.size(); }));
    }
    std::vector<double> fast_full;
    for (int r = 0; r < runs; ++r) {
        fast_full.push_back(seconds([&] { engine.compute_reachable_set(start, budget); }));
    }
    std::vector<double> fast_count;
    for (int r = 0; r < runs; ++r) {
        fast_count.push_back(seconds([&] { engine.count_reachable(start, budget); }));
    }
    std::vector<double> fast_costs;
    for (int r = 0; r < runs; ++r) {
        fast_costs.push_back(seconds([&] { engine.least_costs(start, budget); }));
    }
    const double d = median(direct);
    std::printf("%s: %zu states reached, %zu transitions\n", label, reached,
                space.transitions.size());
    std::printf("  engine construction (space moved in, index built): %9.3f ms\n",
                median(construction) * 1e3);
    std::printf("  direct search (string keys, copied paths):         %9.3f ms\n", d * 1e3);
    std::printf("  compute_reachable_set:                             %9.3f ms  (%.1fx)\n",
                median(fast_full) * 1e3, d / median(fast_full));
    std::printf(
        "  count_reachable:                                   %9.3f ms  (%.1fx)  %.0f states/s\n",
        median(fast_count) * 1e3, d / median(fast_count),
        static_cast<double>(reached) / median(fast_count));
    std::printf("  least_costs:                                       %9.3f ms  (%.1fx)\n",
                median(fast_costs) * 1e3, d / median(fast_costs));
}

}  // namespace

int main() {
    const VibeSchema schema = grid_scenario();
    std::vector<double> fast;
    std::vector<double> direct;
    StateSpace space;
    // The result is destroyed outside the timed part, as a caller keeps it.
    for (int r = 0; r < 9; ++r) {
        StateSpace kept;
        direct.push_back(seconds([&] { kept = reference::compile(schema); }));
    }
    for (int r = 0; r < 9; ++r) {
        StateSpace kept;
        fast.push_back(seconds([&] { kept = ScenarioCompiler::compile(schema); }));
        space = std::move(kept);
    }
    std::vector<double> graph_times;
    StateGraph graph;
    for (int r = 0; r < 9; ++r) {
        StateGraph kept;
        graph_times.push_back(seconds([&] { kept = compile_state_graph(schema); }));
        graph = std::move(kept);
    }
    const double expanded = 4999.0;
    std::printf("(a) 5 variables, 8 actions: %zu states, %zu transitions\n", space.states.size(),
                space.transitions.size());
    std::printf("  compile:         %8.3f ms  %10.0f states expanded/s\n", median(fast) * 1e3,
                expanded / median(fast));
    std::printf("  direct compile:  %8.3f ms  %10.0f states expanded/s  (compile %.1fx faster)\n",
                median(direct) * 1e3, expanded / median(direct), median(direct) / median(fast));
    std::printf(
        "  graph compile:   %8.3f ms  %10.0f states expanded/s  (%.1fx faster than compile, "
        "%zu states, %zu transitions)\n",
        median(graph_times) * 1e3, expanded / median(graph_times),
        median(fast) / median(graph_times), graph.state_count, graph.from.size());
    const std::string start = hash_state(get_initial_attributes(schema.variables));
    compare_search("(a) search, budget 100", space, start, 100.0, 9);
    {
        std::vector<double> construction;
        std::vector<double> count;
        std::size_t reached = 0;
        for (int r = 0; r < 9; ++r) {
            std::optional<InitialStateSearch> search;  // destroyed outside the timed part
            construction.push_back(seconds([&] { search.emplace(graph); }));
            count.push_back(seconds([&] { reached = search->count_reachable(100.0); }));
        }
        std::printf("  graph search index (from the bare graph):          %9.3f ms\n",
                    median(construction) * 1e3);
        std::printf("  graph count_reachable:                             %9.3f ms  (%zu states)\n",
                    median(count) * 1e3, reached);
    }
    compare_search("(b) chain of 6000 states, budget inf", chain_space(6000),
                   hash_state({{"x", 0.0}}), std::numeric_limits<double>::infinity(), 5);
    return 0;
}
