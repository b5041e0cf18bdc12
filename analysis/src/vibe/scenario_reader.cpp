#include "vibe/scenario_reader.hpp"

#include <array>
#include <utility>
#include <variant>

#include "json/reader.hpp"
#include "vibe/shape_reader.hpp"

namespace kestrova {

namespace {

using json::Reader;
using shape::Field;
using shape::read_enum;
using shape::read_list;
using shape::read_map;
using shape::read_number;
using shape::read_optional;
using shape::read_record;
using shape::read_text;

// A number, else a string; anything else is an error placed where the
// enclosing effect closes.
EffectValue read_effect_value(Reader& r) {
    json::Value value = r.read_value();
    if (value.is_number()) return value.as_double();
    if (auto* text = std::get_if<std::string>(&value.data)) return std::move(*text);
    shape::fail_unplaced("data did not match any variant of untagged enum EffectValue");
}

// Member tables in declared order: that order gives the array form and decides
// which missing member is reported first.

constexpr std::array<Field<Metadata>, 2> kMetadataFields{{
    {"name", true, [](Reader& r, Metadata& m) { m.name = read_text(r); }},
    {"description", false,
     [](Reader& r, Metadata& m) { m.description = read_optional(r, read_text); }},
}};

constexpr std::array<Field<TimeConfig>, 2> kTimeConfigFields{{
    {"type", true,
     [](Reader& r, TimeConfig& t) { t.type = read_enum<TimeType>(r, kTimeTypeNames); }},
    {"horizon", true, [](Reader& r, TimeConfig& t) { t.horizon = shape::read_size(r); }},
}};

constexpr std::array<Field<ResourceDefinition>, 3> kResourceFields{{
    {"initial", true, [](Reader& r, ResourceDefinition& d) { d.initial = read_number(r); }},
    {"min", true, [](Reader& r, ResourceDefinition& d) { d.min = read_number(r); }},
    {"max", false, [](Reader& r, ResourceDefinition& d) { d.max = read_optional(r, read_number); }},
}};

constexpr std::array<Field<VariableDefinition>, 5> kVariableFields{{
    {"type", true,
     [](Reader& r, VariableDefinition& d) {
         d.type = read_enum<VariableType>(r, kVariableTypeNames);
     }},
    {"initial", true, [](Reader& r, VariableDefinition& d) { d.initial = r.read_value(); }},
    {"min", false, [](Reader& r, VariableDefinition& d) { d.min = read_optional(r, read_number); }},
    {"max", false, [](Reader& r, VariableDefinition& d) { d.max = read_optional(r, read_number); }},
    {"discretization", true,
     [](Reader& r, VariableDefinition& d) { d.discretization = read_number(r); }},
}};

constexpr std::array<Field<Effect>, 2> kEffectFields{{
    {"op", true, [](Reader& r, Effect& e) { e.op = read_enum<EffectOp>(r, kEffectOpNames); }},
    {"value", true, [](Reader& r, Effect& e) { e.value = read_effect_value(r); }},
}};

Effect read_effect(Reader& r) {
    return read_record(r, "Effect", kEffectFields);
}

constexpr std::array<Field<ActionDefinition>, 4> kActionFields{{
    {"name", true, [](Reader& r, ActionDefinition& a) { a.name = read_text(r); }},
    {"cost", true, [](Reader& r, ActionDefinition& a) { a.cost = read_map(r, read_number); }},
    {"effects", true, [](Reader& r, ActionDefinition& a) { a.effects = read_map(r, read_effect); }},
    {"preconditions", false,
     [](Reader& r, ActionDefinition& a) {
         a.preconditions = read_optional(r, [](Reader& rr) { return read_list(rr, read_text); });
     }},
}};

constexpr std::array<Field<TransitionDefinition>, 5> kTransitionFields{{
    {"name", true, [](Reader& r, TransitionDefinition& t) { t.name = read_text(r); }},
    {"type", true,
     [](Reader& r, TransitionDefinition& t) {
         t.type = read_enum<TransitionType>(r, kTransitionTypeNames);
     }},
    {"priority", true,
     [](Reader& r, TransitionDefinition& t) { t.priority = shape::read_int32(r); }},
    {"condition", false,
     [](Reader& r, TransitionDefinition& t) { t.condition = read_optional(r, read_text); }},
    {"effects", true,
     [](Reader& r, TransitionDefinition& t) { t.effects = read_map(r, read_effect); }},
}};

constexpr std::array<Field<ConstraintDefinition>, 5> kConstraintFields{{
    {"type", true,
     [](Reader& r, ConstraintDefinition& c) {
         c.type = read_enum<ConstraintType>(r, kConstraintTypeNames);
     }},
    {"mode", true,
     [](Reader& r, ConstraintDefinition& c) {
         c.mode = read_enum<ConstraintMode>(r, kConstraintModeNames);
     }},
    {"variable", true, [](Reader& r, ConstraintDefinition& c) { c.variable = read_text(r); }},
    {"operator", false,
     [](Reader& r, ConstraintDefinition& c) {
         c.op =
             read_optional(r, [](Reader& rr) { return read_enum<Operator>(rr, kOperatorNames); });
     }},
    {"value", false,
     [](Reader& r, ConstraintDefinition& c) { c.value = read_optional(r, read_number); }},
}};

constexpr std::array<Field<GoalCondition>, 3> kGoalConditionFields{{
    {"variable", true, [](Reader& r, GoalCondition& g) { g.variable = read_text(r); }},
    {"operator", true,
     [](Reader& r, GoalCondition& g) { g.op = read_enum<Operator>(r, kOperatorNames); }},
    {"value", true, [](Reader& r, GoalCondition& g) { g.value = read_number(r); }},
}};

constexpr std::array<Field<GoalDefinition>, 2> kGoalFields{{
    {"type", true,
     [](Reader& r, GoalDefinition& g) { g.type = read_enum<GoalType>(r, kGoalTypeNames); }},
    {"conditions", true,
     [](Reader& r, GoalDefinition& g) {
         g.conditions = read_list(
             r, [](Reader& rr) { return read_record(rr, "GoalCondition", kGoalConditionFields); });
     }},
}};

constexpr std::array<Field<VibeSchema>, 9> kVibeSchemaFields{{
    {"version", true, [](Reader& r, VibeSchema& s) { s.version = read_text(r); }},
    {"metadata", true,
     [](Reader& r, VibeSchema& s) { s.metadata = read_record(r, "Metadata", kMetadataFields); }},
    {"time", true,
     [](Reader& r, VibeSchema& s) { s.time = read_record(r, "TimeConfig", kTimeConfigFields); }},
    {"resources", true,
     [](Reader& r, VibeSchema& s) {
         s.resources = read_map(
             r, [](Reader& rr) { return read_record(rr, "ResourceDefinition", kResourceFields); });
     }},
    {"variables", true,
     [](Reader& r, VibeSchema& s) {
         s.variables = read_map(
             r, [](Reader& rr) { return read_record(rr, "VariableDefinition", kVariableFields); });
     }},
    {"actions", true,
     [](Reader& r, VibeSchema& s) {
         s.actions = read_list(
             r, [](Reader& rr) { return read_record(rr, "ActionDefinition", kActionFields); });
     }},
    {"transitions", true,
     [](Reader& r, VibeSchema& s) {
         s.transitions = read_list(r, [](Reader& rr) {
             return read_record(rr, "TransitionDefinition", kTransitionFields);
         });
     }},
    {"constraints", true,
     [](Reader& r, VibeSchema& s) {
         s.constraints = read_list(r, [](Reader& rr) {
             return read_record(rr, "ConstraintDefinition", kConstraintFields);
         });
     }},
    {"goal", true,
     [](Reader& r, VibeSchema& s) { s.goal = read_record(r, "GoalDefinition", kGoalFields); }},
}};

}  // namespace

ScenarioReadResult read_scenario(std::string_view text) {
    Reader reader(text);
    try {
        VibeSchema schema = read_record(reader, "VibeSchema", kVibeSchemaFields);
        reader.finish();
        return {std::move(schema), {}};
    } catch (const json::ReadError& error) {
        return {std::nullopt, reader.describe(error)};
    }
}

}  // namespace kestrova
