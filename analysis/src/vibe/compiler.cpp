#include "vibe/compiler.hpp"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "vibe/compiler_expansion.hpp"
#include "vibe/compiler_program.hpp"
#include "vibe/compiler_state_table.hpp"

namespace kestrova {

namespace {

using compiler_detail::Slot;
using compiler_detail::SlotKind;

AttributeMap to_attributes(const compiler_detail::Program& program, const Slot* slots) {
    AttributeMap attributes;
    attributes.reserve(program.variables.size());
    for (std::size_t i = 0; i < program.variables.size(); ++i) {
        json::Value value;
        switch (slots[i].kind) {
            case SlotKind::Number:
                value = json::Value(slots[i].number);
                break;
            case SlotKind::Null:
                break;
            case SlotKind::Original:
                value = program.variables[i].initial;
                break;
        }
        attributes.emplace(program.variables[i].name, std::move(value));
    }
    return attributes;
}

}  // namespace

StateSpace ScenarioCompiler::compile(const VibeSchema& schema) {
    const compiler_detail::Program program = compiler_detail::build_program(schema);
    compiler_detail::StateTable table(program, /*keep_ids=*/true);
    StateSpace space;
    compiler_detail::expand_breadth_first(
        program, table,
        [&](std::uint32_t from, std::uint32_t to, const compiler_detail::CompiledAction& action) {
            space.transitions.push_back(
                Transition{table.id(from), table.id(to), action.cost, action.resource_costs});
        });

    space.states.reserve(table.size());
    // The initial state keeps its values exactly as given, integer kinds included.
    AttributeMap initial = get_initial_attributes(schema.variables);
    for (std::uint32_t state = 0; state < table.size(); ++state) {
        AttributeMap attributes =
            state == 0 ? std::move(initial) : to_attributes(program, table.slots(state));
        space.states.emplace(table.id(state), State{table.id(state), std::move(attributes)});
    }
    return space;
}

}  // namespace kestrova
