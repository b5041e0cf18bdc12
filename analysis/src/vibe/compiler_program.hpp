// A scenario resolved for fast compilation: variables become slots in sorted
// name order, and every name in conditions and effects becomes a slot index,
// so an action step never touches a string.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "json/value.hpp"
#include "vibe/conditions.hpp"
#include "vibe/effect_arithmetic.hpp"
#include "vibe/schema.hpp"

namespace kestrova::compiler_detail {

// A variable's value inside the compiler. Non-numbers are either null (a
// non-finite result) or the variable's own non-numeric initial value, which no
// step changes unless an effect names the variable, turning it into a number.
enum class SlotKind : std::uint8_t { Number, Null, Original };

struct Slot {
    double number = 0.0;  // Number only
    SlotKind kind = SlotKind::Null;
};

using Slots = std::vector<Slot>;

inline constexpr std::int32_t kMissingSlot = -1;

struct SlotCondition {
    ParsedCondition::Kind kind = ParsedCondition::Kind::Never;
    std::int32_t slot = kMissingSlot;  // a missing variable reads as 0
    CompareOp op = CompareOp::Equal;
    double number = 0.0;
};

struct SlotEffect {
    std::uint32_t target = 0;
    EffectOp op = EffectOp::Add;
    std::int32_t operand_slot = kMissingSlot;  // kMissingSlot: use `constant`
    double constant = 0.0;
};

struct SlotConstraint {
    std::uint32_t slot = 0;
    ConstraintType type = ConstraintType::Threshold;
    Operator op = Operator::Gte;
    double value = 0.0;
};

struct SlotVariable {
    std::string name;
    double discretization = 0.0;
    std::optional<double> min;
    std::optional<double> max;
    json::Value initial;
};

struct CompiledAction {
    bool never_enabled = false;  // some precondition piece can never hold
    std::vector<SlotCondition> preconditions;
    std::vector<SlotEffect> effects;
    // Every slot that this action's effects or any transition's effects write,
    // ascending; the others leave an action step exactly as they entered it.
    std::vector<std::uint32_t> touched;
    double cost = 0.0;
    std::vector<std::pair<std::string, json::Value>> resource_costs;
};

struct CompiledTransition {
    SlotCondition condition;  // Always for recurring transitions
    std::vector<SlotEffect> effects;
};

struct Program {
    std::vector<SlotVariable> variables;  // ascending bytewise by name
    std::vector<SlotConstraint> hard_constraints;
    std::vector<CompiledAction> actions;
    std::vector<CompiledTransition> transitions;  // in application order
    Slots initial;
};

Program build_program(const VibeSchema& schema);

// The numeric reading of a slot, 0 for non-numbers.
inline double reading_or_zero(const Slot& slot) {
    return slot.kind == SlotKind::Number ? slot.number : 0.0;
}

// Number storing: finite values as numbers, anything else as null.
inline Slot stored(double value) {
    if (!std::isfinite(value)) return Slot{0.0, SlotKind::Null};
    return Slot{value, SlotKind::Number};
}

// Inline, like write_slot_effects: both run once or more per action step.
inline bool holds(const SlotCondition& condition, const Slot* slots) {
    switch (condition.kind) {
        case ParsedCondition::Kind::Always:
            return true;
        case ParsedCondition::Kind::Never:
            return false;
        case ParsedCondition::Kind::Compare: {
            const double left =
                condition.slot == kMissingSlot ? 0.0 : reading_or_zero(slots[condition.slot]);
            return compare_numbers(condition.op, left, condition.number);
        }
    }
    return false;
}
// A state that breaks a hard constraint is kept but not expanded.
bool breaks_hard_constraint(const Program& program, const Slot* slots);
// Writes each effect's result into its target slot of `out`; every read comes
// from `in`, so with `out` a copy of `in` this applies the effects at once.
inline void write_slot_effects(const std::vector<SlotEffect>& effects, const Slot* in, Slot* out) {
    for (const SlotEffect& effect : effects) {
        const double current = reading_or_zero(in[effect.target]);
        const double operand = effect.operand_slot == kMissingSlot
                                   ? effect.constant
                                   : reading_or_zero(in[effect.operand_slot]);
        out[effect.target] = stored(effect_result(effect.op, current, operand));
    }
}
// A number after an action step: snapped to the discretization, then clamped.
Slot snap_and_clamp(const SlotVariable& variable, double number);

}  // namespace kestrova::compiler_detail
