#include "reachability/core/dense_graph.hpp"

#include <algorithm>
#include <numeric>

namespace kestrova::reachability_detail {

std::optional<std::uint32_t> DenseGraph::find(std::string_view id) const {
    const auto it = nodes.find(id);
    if (it == nodes.end()) return std::nullopt;
    return it->second;
}

DenseGraph build_dense_graph(const StateSpace& space) {
    DenseGraph graph;
    const auto intern = [&](std::string_view id) {
        const auto [it, added] =
            graph.nodes.emplace(id, static_cast<std::uint32_t>(graph.names.size()));
        if (added) graph.names.push_back(id);
        return it->second;
    };

    graph.nodes.reserve(space.states.size());
    for (const auto& entry : space.states) intern(entry.first);
    const std::size_t state_count = graph.names.size();

    // Edge endpoints in first-seen numbering. The compiler emits each state's
    // transitions together, so repeating the previous `from` skips a hash lookup.
    std::vector<std::uint32_t> edge_from(space.transitions.size());
    std::vector<std::uint32_t> edge_to(space.transitions.size());
    std::string_view previous_from;
    std::uint32_t previous_node = 0;
    for (std::size_t e = 0; e < space.transitions.size(); ++e) {
        const Transition& transition = space.transitions[e];
        if (e == 0 || transition.from != previous_from) {
            previous_from = transition.from;
            previous_node = intern(transition.from);
        }
        edge_from[e] = previous_node;
        edge_to[e] = intern(transition.to);
        if (transition.cost < 0.0) graph.has_negative_weight = true;
    }

    // Renumber by bytewise rank (string_view compares as unsigned bytes).
    const std::size_t n = graph.names.size();
    std::vector<std::uint32_t> by_rank(n);
    std::iota(by_rank.begin(), by_rank.end(), std::uint32_t{0});
    std::sort(by_rank.begin(), by_rank.end(),
              [&](std::uint32_t a, std::uint32_t b) { return graph.names[a] < graph.names[b]; });
    std::vector<std::uint32_t> rank(n);
    for (std::uint32_t r = 0; r < n; ++r) rank[by_rank[r]] = r;

    std::vector<std::string_view> names(n);
    graph.is_state.assign(n, 0);
    for (std::uint32_t old = 0; old < n; ++old) {
        names[rank[old]] = graph.names[old];
        if (old < state_count) graph.is_state[rank[old]] = 1;
    }
    graph.names = std::move(names);
    for (auto& entry : graph.nodes) entry.second = rank[entry.second];

    // Compressed rows, filled in transition order so each row keeps list order.
    graph.row_begin.assign(n + 1, 0);
    for (const std::uint32_t from : edge_from) ++graph.row_begin[rank[from] + 1];
    std::partial_sum(graph.row_begin.begin(), graph.row_begin.end(), graph.row_begin.begin());
    std::vector<std::size_t> fill(graph.row_begin.begin(), graph.row_begin.end() - 1);
    graph.targets.resize(space.transitions.size());
    graph.weights.resize(space.transitions.size());
    for (std::size_t e = 0; e < space.transitions.size(); ++e) {
        const std::size_t slot = fill[rank[edge_from[e]]]++;
        graph.targets[slot] = rank[edge_to[e]];
        graph.weights[slot] = space.transitions[e].cost;
    }
    return graph;
}

}  // namespace kestrova::reachability_detail
