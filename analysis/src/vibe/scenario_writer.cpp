#include "vibe/scenario_writer.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace kestrova {

namespace {

// json::Object sorts its members bytewise, so every object below comes out in
// ascending key order whatever order it is built in. Objects with nested content
// are filled member by member: an initializer list would copy that content.

template <class Enum, std::size_t N>
json::Value spelling(Enum value, const std::array<std::string_view, N>& names) {
    return json::Value(std::string(names[static_cast<std::size_t>(value)]));
}

json::Value number(double value) {
    return json::Value(value);
}

json::Value optional_number(const std::optional<double>& value) {
    return value ? json::Value(*value) : json::Value(nullptr);
}

json::Value optional_text(const std::optional<std::string>& value) {
    return value ? json::Value(*value) : json::Value(nullptr);
}

json::Value effect_value(const EffectValue& value) {
    if (const auto* d = std::get_if<double>(&value)) return number(*d);
    return json::Value(std::get<std::string>(value));
}

json::Value effects(const NamedMap<Effect>& map) {
    json::Object out;
    for (const auto& [name, effect] : map) {
        out.emplace(name, json::Object{{"op", spelling(effect.op, kEffectOpNames)},
                                       {"value", effect_value(effect.value)}});
    }
    return out;
}

json::Value action(const ActionDefinition& a) {
    json::Object cost;
    for (const auto& [name, amount] : a.cost) cost.emplace(name, number(amount));
    json::Value preconditions(nullptr);
    if (a.preconditions) {
        json::Array list;
        list.reserve(a.preconditions->size());
        for (const auto& text : *a.preconditions) list.emplace_back(text);
        preconditions = json::Value(std::move(list));
    }
    json::Object out;
    out.emplace("cost", std::move(cost));
    out.emplace("effects", effects(a.effects));
    out.emplace("name", a.name);
    out.emplace("preconditions", std::move(preconditions));
    return out;
}

json::Value transition(const TransitionDefinition& t) {
    json::Object out;
    out.emplace("condition", optional_text(t.condition));
    out.emplace("effects", effects(t.effects));
    out.emplace("name", t.name);
    out.emplace("priority", json::Value(static_cast<std::int64_t>(t.priority)));
    out.emplace("type", spelling(t.type, kTransitionTypeNames));
    return out;
}

json::Value constraint(const ConstraintDefinition& c) {
    return json::Object{{"mode", spelling(c.mode, kConstraintModeNames)},
                        {"operator", c.op ? spelling(*c.op, kOperatorNames) : json::Value(nullptr)},
                        {"type", spelling(c.type, kConstraintTypeNames)},
                        {"value", optional_number(c.value)},
                        {"variable", c.variable}};
}

json::Value goal(const GoalDefinition& g) {
    json::Array conditions;
    conditions.reserve(g.conditions.size());
    for (const auto& c : g.conditions) {
        conditions.emplace_back(json::Object{{"operator", spelling(c.op, kOperatorNames)},
                                             {"value", number(c.value)},
                                             {"variable", c.variable}});
    }
    json::Object out;
    out.emplace("conditions", std::move(conditions));
    out.emplace("type", spelling(g.type, kGoalTypeNames));
    return out;
}

}  // namespace

json::Value write_scenario(const VibeSchema& schema) {
    json::Object resources;
    for (const auto& [name, r] : schema.resources) {
        resources.emplace(name, json::Object{{"initial", number(r.initial)},
                                             {"max", optional_number(r.max)},
                                             {"min", number(r.min)}});
    }
    json::Object variables;
    for (const auto& [name, v] : schema.variables) {
        json::Object variable{{"discretization", number(v.discretization)},
                              {"max", optional_number(v.max)},
                              {"min", optional_number(v.min)},
                              {"type", spelling(v.type, kVariableTypeNames)}};
        variable.emplace("initial", v.initial);
        variables.emplace(name, std::move(variable));
    }
    json::Array actions;
    actions.reserve(schema.actions.size());
    for (const auto& a : schema.actions) actions.push_back(action(a));
    json::Array transitions;
    transitions.reserve(schema.transitions.size());
    for (const auto& t : schema.transitions) transitions.push_back(transition(t));
    json::Array constraints;
    constraints.reserve(schema.constraints.size());
    for (const auto& c : schema.constraints) constraints.push_back(constraint(c));

    json::Object root{
        {"metadata", json::Object{{"description", optional_text(schema.metadata.description)},
                                  {"name", schema.metadata.name}}},
        {"time",
         json::Object{{"horizon", json::Value(static_cast<std::uint64_t>(schema.time.horizon))},
                      {"type", spelling(schema.time.type, kTimeTypeNames)}}},
        {"version", schema.version}};
    root.emplace("actions", std::move(actions));
    root.emplace("constraints", std::move(constraints));
    root.emplace("goal", goal(schema.goal));
    root.emplace("resources", std::move(resources));
    root.emplace("transitions", std::move(transitions));
    root.emplace("variables", std::move(variables));
    return root;
}

}  // namespace kestrova
