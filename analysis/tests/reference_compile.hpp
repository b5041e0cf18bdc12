// Breadth-first compilation written directly on attribute maps and identifier
// strings, step by step as the algorithm reads. Tests compare the compiler,
// which works on interned slots, with it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <deque>
#include <numeric>
#include <string>
#include <vector>

#include "types.hpp"
#include "vibe/compiler.hpp"
#include "vibe/schema.hpp"

namespace kestrova::reference {

inline double larger(double a, double b) {
    if (std::isnan(a)) return b;
    if (std::isnan(b)) return a;
    if (a == b) return std::signbit(a) ? b : a;
    return a > b ? a : b;
}

inline double smaller(double a, double b) {
    if (std::isnan(a)) return b;
    if (std::isnan(b)) return a;
    if (a == b) return std::signbit(a) ? a : b;
    return a < b ? a : b;
}

inline bool breaks_hard_constraint(const VibeSchema& schema, const AttributeMap& a) {
    for (const ConstraintDefinition& k : schema.constraints) {
        if (k.mode != ConstraintMode::Hard) continue;
        const auto v = numeric_reading(a, k.variable);
        if (!v) continue;
        const double c = k.value.value_or(0.0);
        bool ok = true;
        if (k.type == ConstraintType::NonNegative) ok = *v >= 0;
        if (k.type == ConstraintType::ForbiddenZone) ok = !(*v == c);
        if (k.type == ConstraintType::Threshold) {
            switch (k.op.value_or(Operator::Gte)) {
                case Operator::Eq:
                    ok = std::fabs(*v - c) < 1e-6;
                    break;
                case Operator::Gt:
                    ok = *v > c;
                    break;
                case Operator::Lt:
                    ok = *v < c;
                    break;
                case Operator::Gte:
                    ok = *v >= c;
                    break;
                case Operator::Lte:
                    ok = *v <= c;
                    break;
            }
        }
        if (!ok) return true;
    }
    return false;
}

inline StateSpace compile(const VibeSchema& schema) {
    StateSpace space;
    std::vector<const TransitionDefinition*> order;
    for (const auto& t : schema.transitions) order.push_back(&t);
    std::stable_sort(order.begin(), order.end(), [](const auto* a, const auto* b) {
        return a->priority != b->priority ? a->priority < b->priority : a->name < b->name;
    });
    const std::string* primary =
        schema.resources.empty() ? nullptr : &schema.resources.front().first;

    const AttributeMap initial = get_initial_attributes(schema.variables);
    const std::string initial_id = hash_state(initial);
    space.states[initial_id] = State{initial_id, initial};
    std::deque<std::string> queue{initial_id};
    while (!queue.empty()) {
        const std::string id = queue.front();
        queue.pop_front();
        const AttributeMap a = space.states.at(id).attributes;
        if (breaks_hard_constraint(schema, a)) continue;
        for (const ActionDefinition& x : schema.actions) {
            bool pass = true;
            for (const auto& text : x.preconditions.value_or(std::vector<std::string>{})) {
                if (!precondition_holds(a, text)) {
                    pass = false;
                    break;
                }
            }
            if (!pass) continue;
            AttributeMap b = apply_effects(a, x.effects);
            for (const TransitionDefinition* t : order) {
                const bool applies = t->type == TransitionType::Recurring ||
                                     eval_condition(b, t->condition.value_or("false"));
                if (applies) b = apply_effects(b, t->effects);
            }
            for (const auto& [name, def] : schema.variables) {
                const auto v0 = numeric_reading(b, name);
                if (!v0) continue;
                double v = std::round(*v0 / def.discretization) * def.discretization;
                if (def.min) v = larger(v, *def.min);
                if (def.max) v = smaller(v, *def.max);
                b[name] = store_number(v);
            }
            const std::string j = hash_state(b);
            double cost = 0.0;
            if (primary && x.cost.find(*primary)) {
                cost = *x.cost.find(*primary);
            } else if (!x.cost.empty()) {
                cost = x.cost.front().second;
            }
            std::vector<std::pair<std::string, json::Value>> resource_costs;
            for (const auto& [r, c] : x.cost) resource_costs.emplace_back(r, store_number(c));
            space.transitions.push_back(Transition{id, j, cost, resource_costs});
            if (!space.states.contains(j)) {
                space.states[j] = State{j, b};
                if (space.states.size() < 5000) queue.push_back(j);
            }
        }
    }
    return space;
}

}  // namespace kestrova::reference
