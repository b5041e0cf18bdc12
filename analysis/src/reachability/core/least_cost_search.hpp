// The budget-bounded least-cost search on a dense graph.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "reachability/core/dense_graph.hpp"

namespace kestrova::reachability_detail {

struct SearchOutcome {
    std::vector<std::uint32_t> settled;  // every reached node, in the order it left the queue
    std::vector<double> cost;            // by node; meaningful for reached nodes
    std::vector<std::uint32_t> parent;   // by node; the start is its own parent
};

// Least costs from `start` (a node of the graph) over paths costing at most
// `budget`. Queue order: lowest cost, then the greatest node (bytewise rank),
// and only a strictly cheaper cost replaces a known one, so among equally
// cheap paths the first found is kept.
SearchOutcome least_cost_search(const DenseGraph& graph, std::uint32_t start, double budget);

// Number of nodes the search reaches, the start included.
std::size_t count_reachable(const DenseGraph& graph, std::uint32_t start, double budget);

// Least cost of every node the search reaches, in the order they left the queue.
std::vector<double> least_costs(const DenseGraph& graph, std::uint32_t start, double budget);

}  // namespace kestrova::reachability_detail
