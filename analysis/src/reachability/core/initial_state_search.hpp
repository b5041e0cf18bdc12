// The least-cost search over a compiled StateGraph, from its initial state.
// It answers what a ReachabilityEngine over ScenarioCompiler::compile's
// StateSpace answers from hash_state of the initial attributes, without
// identifier texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "reachability/core/dense_graph.hpp"
#include "vibe/compiler_graph.hpp"

namespace kestrova {

class InitialStateSearch {
  public:
    explicit InitialStateSearch(const StateGraph& graph);

    // Number of states reached within budget, the initial state included.
    std::size_t count_reachable(double budget) const;

    // Least cost of every state reached within budget, the initial state included (0.0).
    std::vector<double> least_costs(double budget) const;

    // True when some transition has a negative cost.
    bool has_negative_cost() const { return graph_.has_negative_weight; }

  private:
    reachability_detail::DenseGraph graph_;
    std::uint32_t start_ = 0;
};

}  // namespace kestrova
