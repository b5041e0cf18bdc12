// Compilation into the bare graph: the same states and transitions as
// ScenarioCompiler::compile, with neither identifier texts nor attribute maps,
// for callers that only search the graph.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "vibe/schema.hpp"

namespace kestrova {

struct StateGraph {
    // States are numbered in discovery order; state 0 is the initial state,
    // whose identifier is hash_state of get_initial_attributes.
    std::size_t state_count = 0;
    // By state: the rank of its identifier among all the states' identifiers
    // in bytewise order, the order that breaks ties in the search.
    std::vector<std::uint32_t> identifier_rank;
    // By transition, in the order of StateSpace::transitions.
    std::vector<std::uint32_t> from;
    std::vector<std::uint32_t> to;
    std::vector<double> cost;
};

// Never fails; expands at most 4999 states, like ScenarioCompiler::compile.
StateGraph compile_state_graph(const VibeSchema& schema);

}  // namespace kestrova
