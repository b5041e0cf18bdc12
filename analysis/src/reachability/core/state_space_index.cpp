#include "reachability/core/state_space_index.hpp"

#include <algorithm>
#include <numeric>

namespace kestrova::reachability_detail {

std::optional<std::uint32_t> StateSpaceIndex::find(std::string_view id) const {
    const auto it = nodes.find(id);
    if (it == nodes.end()) return std::nullopt;
    return it->second;
}

StateSpaceIndex index_state_space(const StateSpace& space) {
    StateSpaceIndex index;
    const auto intern = [&](std::string_view id) {
        const auto [it, added] =
            index.nodes.emplace(id, static_cast<std::uint32_t>(index.names.size()));
        if (added) index.names.push_back(id);
        return it->second;
    };

    index.nodes.reserve(space.states.size());
    for (const auto& entry : space.states) intern(entry.first);
    const std::size_t state_count = index.names.size();

    // Edge endpoints in first-seen numbering. The compiler emits each state's
    // transitions together, so repeating the previous `from` skips a hash lookup.
    const std::size_t edge_count = space.transitions.size();
    std::vector<std::uint32_t> edge_from(edge_count);
    std::vector<std::uint32_t> edge_to(edge_count);
    std::vector<double> edge_cost(edge_count);
    std::string_view previous_from;
    std::uint32_t previous_node = 0;
    for (std::size_t e = 0; e < edge_count; ++e) {
        const Transition& transition = space.transitions[e];
        if (e == 0 || transition.from != previous_from) {
            previous_from = transition.from;
            previous_node = intern(transition.from);
        }
        edge_from[e] = previous_node;
        edge_to[e] = intern(transition.to);
        edge_cost[e] = transition.cost;
    }

    // Renumber by bytewise rank (string_view compares as unsigned bytes).
    const std::size_t n = index.names.size();
    std::vector<std::uint32_t> by_rank(n);
    std::iota(by_rank.begin(), by_rank.end(), std::uint32_t{0});
    std::sort(by_rank.begin(), by_rank.end(),
              [&](std::uint32_t a, std::uint32_t b) { return index.names[a] < index.names[b]; });
    std::vector<std::uint32_t> rank(n);
    for (std::uint32_t r = 0; r < n; ++r) rank[by_rank[r]] = r;

    std::vector<std::string_view> names(n);
    index.is_state.assign(n, 0);
    for (std::uint32_t old = 0; old < n; ++old) {
        names[rank[old]] = index.names[old];
        if (old < state_count) index.is_state[rank[old]] = 1;
    }
    index.names = std::move(names);
    for (auto& entry : index.nodes) entry.second = rank[entry.second];

    index.graph = build_dense_graph(n, rank, edge_from, edge_to, edge_cost);
    return index;
}

}  // namespace kestrova::reachability_detail
