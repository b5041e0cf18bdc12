#include "vibe/compiler_graph.hpp"

#include "vibe/compiler_expansion.hpp"
#include "vibe/compiler_program.hpp"
#include "vibe/compiler_state_table.hpp"

namespace kestrova {

StateGraph compile_state_graph(const VibeSchema& schema) {
    const compiler_detail::Program program = compiler_detail::build_program(schema);
    compiler_detail::StateTable table(program, /*keep_ids=*/false);
    StateGraph graph;
    compiler_detail::expand_breadth_first(
        program, table,
        [&](std::uint32_t from, std::uint32_t to, const compiler_detail::CompiledAction& action) {
            graph.from.push_back(from);
            graph.to.push_back(to);
            graph.cost.push_back(action.cost);
        });
    graph.state_count = table.size();
    graph.identifier_rank = table.identifier_ranks();
    return graph;
}

}  // namespace kestrova
