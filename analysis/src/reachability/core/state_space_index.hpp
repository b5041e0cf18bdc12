// A state space's transitions as a dense graph, with the way back from
// identifiers to nodes: every identifier that occurs (as a state or in a
// transition) is a node, numbered by its bytewise rank among all of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "reachability/core/dense_graph.hpp"
#include "types.hpp"

namespace kestrova::reachability_detail {

struct StateSpaceIndex {
    DenseGraph graph;
    std::vector<std::string_view> names;  // by node; views into the StateSpace
    std::unordered_map<std::string_view, std::uint32_t> nodes;
    std::vector<std::uint8_t> is_state;  // node is a key of `states`

    std::optional<std::uint32_t> find(std::string_view id) const;
};

// The index refers to the strings of `space`, which must outlive it.
StateSpaceIndex index_state_space(const StateSpace& space);

}  // namespace kestrova::reachability_detail
