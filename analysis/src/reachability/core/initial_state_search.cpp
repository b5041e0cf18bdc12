#include "reachability/core/initial_state_search.hpp"

#include "reachability/core/least_cost_search.hpp"

namespace kestrova {

InitialStateSearch::InitialStateSearch(const StateGraph& graph)
    : graph_(reachability_detail::build_dense_graph(graph)),
      start_(graph.identifier_rank.empty() ? 0 : graph.identifier_rank[0]) {}

// A graph without states (not one that compile_state_graph makes) has its
// start reached alone, like a start outside an engine's space.
std::size_t InitialStateSearch::count_reachable(double budget) const {
    if (graph_.size() == 0) return 1;
    return reachability_detail::count_reachable(graph_, start_, budget);
}

std::vector<double> InitialStateSearch::least_costs(double budget) const {
    if (graph_.size() == 0) return {0.0};
    return reachability_detail::least_costs(graph_, start_, budget);
}

}  // namespace kestrova
