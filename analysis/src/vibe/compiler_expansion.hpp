// The breadth-first expansion behind every compile entry point: states are
// expanded in discovery order, and each action step that passes its
// preconditions is reported as on_step(from, to, action), in the order the
// transition list keeps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "vibe/compiler_program.hpp"
#include "vibe/compiler_state_table.hpp"

namespace kestrova::compiler_detail {

// States beyond this many are recorded but not expanded.
inline constexpr std::size_t kExpansionLimit = 5000;

template <class OnStep>
void expand_breadth_first(const Program& program, StateTable& table, OnStep&& on_step) {
    std::vector<std::uint32_t> queue;
    queue.push_back(table.intern(program.initial).first);

    Slots current;
    Slots next;
    Slots before;
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const std::uint32_t from = queue[head];
        const Slot* from_slots = table.slots(from);
        if (breaks_hard_constraint(program, from_slots)) continue;
        // Copied, since interning new states may move the table's storage.
        current.assign(from_slots, from_slots + program.variables.size());
        next = current;
        table.enter(from_slots);

        for (const CompiledAction& action : program.actions) {
            if (action.never_enabled) continue;
            bool enabled = true;
            for (const SlotCondition& condition : action.preconditions) {
                if (!holds(condition, current.data())) {
                    enabled = false;
                    break;
                }
            }
            if (!enabled) continue;

            // `next` equals `current` here; only touched slots change below.
            write_slot_effects(action.effects, current.data(), next.data());
            for (const CompiledTransition& transition : program.transitions) {
                // Each condition sees the values left by the action and earlier transitions.
                if (!holds(transition.condition, next.data())) continue;
                before = next;
                write_slot_effects(transition.effects, before.data(), next.data());
            }

            const auto [to, added] = table.intern_step(next, action.touched);
            for (const std::uint32_t i : action.touched) next[i] = current[i];
            on_step(from, to, action);
            if (added && table.size() < kExpansionLimit) queue.push_back(to);
        }
    }
}

}  // namespace kestrova::compiler_detail
