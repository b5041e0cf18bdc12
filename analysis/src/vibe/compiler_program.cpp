#include "vibe/compiler_program.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string_view>
#include <unordered_map>
#include <variant>

#include "lib/float_order.hpp"
#include "types.hpp"

namespace kestrova::compiler_detail {

namespace {

constexpr double kEqualityTolerance = 1e-6;

using SlotIndex = std::unordered_map<std::string_view, std::int32_t>;

std::int32_t find_slot(const SlotIndex& index, std::string_view name) {
    const auto it = index.find(name);
    return it == index.end() ? kMissingSlot : it->second;
}

SlotCondition resolve(const ParsedCondition& parsed, const SlotIndex& index) {
    SlotCondition condition;
    condition.kind = parsed.kind;
    condition.op = parsed.op;
    condition.number = parsed.number;
    if (parsed.kind == ParsedCondition::Kind::Compare)
        condition.slot = find_slot(index, parsed.name);
    return condition;
}

std::vector<SlotEffect> resolve(const NamedMap<Effect>& effects, const SlotIndex& index) {
    std::vector<SlotEffect> resolved;
    for (const auto& [name, effect] : effects) {
        const std::int32_t target = find_slot(index, name);
        if (target == kMissingSlot) continue;  // effects never create variables
        SlotEffect slot_effect;
        slot_effect.target = static_cast<std::uint32_t>(target);
        slot_effect.op = effect.op;
        if (const auto* number = std::get_if<double>(&effect.value)) {
            slot_effect.constant = *number;
        } else {
            // A name that is no variable reads as 0, the constant's default.
            slot_effect.operand_slot = find_slot(index, std::get<std::string>(effect.value));
        }
        resolved.push_back(slot_effect);
    }
    return resolved;
}

Slot initial_slot(const json::Value& initial) {
    if (initial.is_number()) return Slot{initial.as_double(), SlotKind::Number};
    return Slot{0.0, SlotKind::Original};
}

CompiledAction compile_action(const ActionDefinition& action, const std::string* primary,
                              const SlotIndex& index) {
    CompiledAction compiled;
    if (action.preconditions) {
        for (const std::string& text : *action.preconditions) {
            for (const ParsedCondition& piece : parse_precondition(text)) {
                const SlotCondition condition = resolve(piece, index);
                if (condition.kind == ParsedCondition::Kind::Never) compiled.never_enabled = true;
                if (condition.kind == ParsedCondition::Kind::Compare) {
                    compiled.preconditions.push_back(condition);
                }
            }
        }
    }
    compiled.effects = resolve(action.effects, index);
    const double* primary_cost = primary ? action.cost.find(*primary) : nullptr;
    if (primary_cost) {
        compiled.cost = *primary_cost;
    } else if (!action.cost.empty()) {
        compiled.cost = action.cost.front().second;
    }
    for (const auto& [resource, cost] : action.cost) {
        compiled.resource_costs.emplace_back(resource, store_number(cost));
    }
    return compiled;
}

}  // namespace

Program build_program(const VibeSchema& schema) {
    Program program;
    for (const auto& [name, definition] : schema.variables) {
        program.variables.push_back(SlotVariable{name, definition.discretization, definition.min,
                                                 definition.max, definition.initial});
    }
    std::sort(program.variables.begin(), program.variables.end(),
              [](const SlotVariable& a, const SlotVariable& b) { return a.name < b.name; });
    SlotIndex index;
    for (std::size_t i = 0; i < program.variables.size(); ++i) {
        index.emplace(program.variables[i].name, static_cast<std::int32_t>(i));
        program.initial.push_back(initial_slot(program.variables[i].initial));
    }

    for (const ConstraintDefinition& constraint : schema.constraints) {
        if (constraint.mode != ConstraintMode::Hard) continue;
        const std::int32_t slot = find_slot(index, constraint.variable);
        if (slot == kMissingSlot) continue;  // a missing variable skips the constraint
        program.hard_constraints.push_back(
            SlotConstraint{static_cast<std::uint32_t>(slot), constraint.type,
                           constraint.op.value_or(Operator::Gte), constraint.value.value_or(0.0)});
    }

    const std::string* primary =
        schema.resources.empty() ? nullptr : &schema.resources.front().first;
    for (const ActionDefinition& action : schema.actions) {
        program.actions.push_back(compile_action(action, primary, index));
    }

    // Ascending priority, then bytewise name; the stable sort keeps document
    // order among transitions equal in both.
    std::vector<std::size_t> order(schema.transitions.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const TransitionDefinition& ta = schema.transitions[a];
        const TransitionDefinition& tb = schema.transitions[b];
        if (ta.priority != tb.priority) return ta.priority < tb.priority;
        return ta.name < tb.name;
    });
    for (const std::size_t i : order) {
        const TransitionDefinition& transition = schema.transitions[i];
        CompiledTransition compiled;
        if (transition.type == TransitionType::Recurring) {
            compiled.condition.kind = ParsedCondition::Kind::Always;
        } else {
            // Tested whole, never split at "&&"; no condition never applies.
            compiled.condition =
                resolve(parse_condition(transition.condition.value_or("false")), index);
        }
        if (compiled.condition.kind == ParsedCondition::Kind::Never) continue;
        compiled.effects = resolve(transition.effects, index);
        program.transitions.push_back(std::move(compiled));
    }

    // An action step can change only what its effects and the transitions' effects name.
    for (CompiledAction& action : program.actions) {
        for (const SlotEffect& effect : action.effects) action.touched.push_back(effect.target);
        for (const CompiledTransition& transition : program.transitions) {
            for (const SlotEffect& effect : transition.effects)
                action.touched.push_back(effect.target);
        }
        std::sort(action.touched.begin(), action.touched.end());
        action.touched.erase(std::unique(action.touched.begin(), action.touched.end()),
                             action.touched.end());
    }
    return program;
}

bool breaks_hard_constraint(const Program& program, const Slot* slots) {
    for (const SlotConstraint& constraint : program.hard_constraints) {
        const Slot& slot = slots[constraint.slot];
        if (slot.kind != SlotKind::Number) continue;  // only numbers are checked
        const double v = slot.number;
        const double c = constraint.value;
        bool holds_now = true;
        switch (constraint.type) {
            case ConstraintType::NonNegative:
                holds_now = v >= 0.0;
                break;
            case ConstraintType::ForbiddenZone:
                holds_now = !(v == c);
                break;
            case ConstraintType::Threshold:
                switch (constraint.op) {
                    case Operator::Eq:
                        holds_now = std::fabs(v - c) < kEqualityTolerance;
                        break;
                    case Operator::Gt:
                        holds_now = v > c;
                        break;
                    case Operator::Lt:
                        holds_now = v < c;
                        break;
                    case Operator::Gte:
                        holds_now = v >= c;
                        break;
                    case Operator::Lte:
                        holds_now = v <= c;
                        break;
                }
                break;
        }
        if (!holds_now) return true;
    }
    return false;
}

Slot snap_and_clamp(const SlotVariable& variable, double number) {
    // std::round rounds halfway cases away from zero.
    double v = std::round(number / variable.discretization) * variable.discretization;
    if (variable.min) v = max_ignoring_nan(v, *variable.min);  // a NaN v gives min
    if (variable.max) v = min_ignoring_nan(v, *variable.max);  // a NaN v gives max
    return stored(v);
}

}  // namespace kestrova::compiler_detail
