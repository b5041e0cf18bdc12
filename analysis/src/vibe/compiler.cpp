#include "vibe/compiler.hpp"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "vibe/compiler_program.hpp"
#include "vibe/compiler_state_table.hpp"

namespace kestrova {

namespace {

using compiler_detail::Slot;
using compiler_detail::SlotKind;
using compiler_detail::Slots;

// States beyond this many are recorded but not expanded.
constexpr std::size_t kExpansionLimit = 5000;

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
    compiler_detail::StateTable table(program);
    StateSpace space;

    std::vector<std::uint32_t> queue;
    queue.push_back(table.intern(program.initial).first);

    Slots current;
    Slots next;
    Slots scratch;
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const std::uint32_t from = queue[head];
        const Slot* from_slots = table.slots(from);
        if (compiler_detail::breaks_hard_constraint(program, from_slots)) continue;
        // Copied, since interning new states may move the table's storage.
        current.assign(from_slots, from_slots + program.variables.size());

        for (const compiler_detail::CompiledAction& action : program.actions) {
            if (action.never_enabled) continue;
            bool enabled = true;
            for (const compiler_detail::SlotCondition& condition : action.preconditions) {
                if (!compiler_detail::holds(condition, current.data())) {
                    enabled = false;
                    break;
                }
            }
            if (!enabled) continue;

            compiler_detail::apply_slot_effects(action.effects, current, next);
            for (const compiler_detail::CompiledTransition& transition : program.transitions) {
                // Each condition sees the values left by the action and earlier transitions.
                if (!compiler_detail::holds(transition.condition, next.data())) continue;
                compiler_detail::apply_slot_effects(transition.effects, next, scratch);
                std::swap(next, scratch);
            }
            compiler_detail::snap_and_clamp(program, next);

            const auto [to, added] = table.intern(next);
            space.transitions.push_back(
                Transition{table.id(from), table.id(to), action.cost, action.resource_costs});
            if (added && table.size() < kExpansionLimit) queue.push_back(to);
        }
    }

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
