// A state space's transitions as a dense graph: every identifier that occurs
// is numbered by its bytewise rank among all of them, and each node's outgoing
// edges sit in one contiguous row, in transition-list order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "types.hpp"

namespace kestrova::reachability_detail {

struct DenseGraph {
    std::vector<std::string_view> names;  // by node; views into the StateSpace
    std::unordered_map<std::string_view, std::uint32_t> nodes;
    std::vector<std::uint8_t> is_state;  // node is a key of `states`
    std::vector<std::size_t> row_begin;  // node's edges: [row_begin[u], row_begin[u + 1])
    std::vector<std::uint32_t> targets;
    std::vector<double> weights;
    bool has_negative_weight = false;

    std::size_t size() const { return names.size(); }
    std::optional<std::uint32_t> find(std::string_view id) const;
};

// The graph refers to the strings of `space`, which must outlive it.
DenseGraph build_dense_graph(const StateSpace& space);

}  // namespace kestrova::reachability_detail
