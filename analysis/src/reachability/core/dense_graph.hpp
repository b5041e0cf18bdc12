// A graph for the least-cost search: nodes numbered by the bytewise rank of
// their identifiers, and each node's outgoing edges in one contiguous row, in
// transition-list order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "vibe/compiler_graph.hpp"

namespace kestrova::reachability_detail {

struct DenseGraph {
    std::size_t node_count = 0;
    std::vector<std::size_t> row_begin;  // node's edges: [row_begin[u], row_begin[u + 1])
    std::vector<std::uint32_t> targets;
    std::vector<double> weights;
    bool has_negative_weight = false;

    std::size_t size() const { return node_count; }
};

// Edge e runs from node_of[from[e]] to node_of[to[e]] with weight[e]; rows keep
// the edges' order.
DenseGraph build_dense_graph(std::size_t node_count, std::span<const std::uint32_t> node_of,
                             std::span<const std::uint32_t> from, std::span<const std::uint32_t> to,
                             std::span<const double> weight);

// A compiled graph's states as nodes, each numbered by its identifier's rank.
DenseGraph build_dense_graph(const StateGraph& graph);

}  // namespace kestrova::reachability_detail
