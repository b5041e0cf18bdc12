#include "reachability/core/dense_graph.hpp"

#include <numeric>

namespace kestrova::reachability_detail {

DenseGraph build_dense_graph(std::size_t node_count, std::span<const std::uint32_t> node_of,
                             std::span<const std::uint32_t> from, std::span<const std::uint32_t> to,
                             std::span<const double> weight) {
    DenseGraph graph;
    graph.node_count = node_count;
    // Compressed rows, filled in edge order so each row keeps list order.
    graph.row_begin.assign(node_count + 1, 0);
    for (const std::uint32_t f : from) ++graph.row_begin[node_of[f] + 1];
    std::partial_sum(graph.row_begin.begin(), graph.row_begin.end(), graph.row_begin.begin());
    std::vector<std::size_t> fill(graph.row_begin.begin(), graph.row_begin.end() - 1);
    graph.targets.resize(from.size());
    graph.weights.resize(from.size());
    for (std::size_t e = 0; e < from.size(); ++e) {
        const std::size_t slot = fill[node_of[from[e]]]++;
        graph.targets[slot] = node_of[to[e]];
        graph.weights[slot] = weight[e];
        if (weight[e] < 0.0) graph.has_negative_weight = true;
    }
    return graph;
}

DenseGraph build_dense_graph(const StateGraph& graph) {
    return build_dense_graph(graph.state_count, graph.identifier_rank, graph.from, graph.to,
                             graph.cost);
}

}  // namespace kestrova::reachability_detail
