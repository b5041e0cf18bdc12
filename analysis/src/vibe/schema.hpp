// The scenario document: records and enumerations as read from JSON.
// Enumerators are declared in index order; that order is used wherever values
// are compared or stored as small integers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "json/value.hpp"
#include "vibe/named_map.hpp"

namespace kestrova {

enum class TimeType : std::uint8_t { Discrete };
enum class VariableType : std::uint8_t { Float, Int, Bool };
enum class TransitionType : std::uint8_t { Recurring, Triggered };
enum class ConstraintType : std::uint8_t { Threshold, NonNegative, ForbiddenZone };
enum class ConstraintMode : std::uint8_t { Hard, Soft };
enum class GoalType : std::uint8_t { Threshold, ReachState, Composite };
enum class EffectOp : std::uint8_t { Add, Set, Multiply, Decrement, Affine };
enum class Operator : std::uint8_t { Eq, Gt, Lt, Gte, Lte };

// JSON spellings, indexed by enumerator value.
inline constexpr std::array<std::string_view, 1> kTimeTypeNames{"discrete"};
inline constexpr std::array<std::string_view, 3> kVariableTypeNames{"float", "int", "bool"};
inline constexpr std::array<std::string_view, 2> kTransitionTypeNames{"recurring", "triggered"};
inline constexpr std::array<std::string_view, 3> kConstraintTypeNames{"threshold", "non_negative",
                                                                      "forbidden_zone"};
inline constexpr std::array<std::string_view, 2> kConstraintModeNames{"hard", "soft"};
inline constexpr std::array<std::string_view, 3> kGoalTypeNames{"threshold", "reach_state",
                                                                "composite"};
inline constexpr std::array<std::string_view, 5> kEffectOpNames{"add", "set", "multiply",
                                                                "decrement", "affine"};
inline constexpr std::array<std::string_view, 5> kOperatorNames{"eq", "gt", "lt", "gte", "lte"};

struct Metadata {
    std::string name;
    std::optional<std::string> description;
    friend bool operator==(const Metadata&, const Metadata&) = default;
};

struct TimeConfig {
    TimeType type = TimeType::Discrete;
    std::size_t horizon = 0;
    friend bool operator==(const TimeConfig&, const TimeConfig&) = default;
};

struct ResourceDefinition {
    double initial = 0.0;
    double min = 0.0;
    std::optional<double> max;
    friend bool operator==(const ResourceDefinition&, const ResourceDefinition&) = default;
};

struct VariableDefinition {
    VariableType type = VariableType::Float;
    json::Value initial;
    std::optional<double> min;
    std::optional<double> max;
    double discretization = 0.0;
    friend bool operator==(const VariableDefinition&, const VariableDefinition&) = default;
};

// A number, or a text naming another variable.
using EffectValue = std::variant<double, std::string>;

struct Effect {
    EffectOp op = EffectOp::Add;
    EffectValue value;
    friend bool operator==(const Effect&, const Effect&) = default;
};

struct ActionDefinition {
    std::string name;
    NamedMap<double> cost;
    NamedMap<Effect> effects;
    std::optional<std::vector<std::string>> preconditions;
    friend bool operator==(const ActionDefinition&, const ActionDefinition&) = default;
};

struct TransitionDefinition {
    std::string name;
    TransitionType type = TransitionType::Recurring;
    std::int32_t priority = 0;
    std::optional<std::string> condition;
    NamedMap<Effect> effects;
    friend bool operator==(const TransitionDefinition&, const TransitionDefinition&) = default;
};

struct ConstraintDefinition {
    ConstraintType type = ConstraintType::Threshold;
    ConstraintMode mode = ConstraintMode::Hard;
    std::string variable;
    std::optional<Operator> op;  // the JSON member "operator"
    std::optional<double> value;
    friend bool operator==(const ConstraintDefinition&, const ConstraintDefinition&) = default;
};

struct GoalCondition {
    std::string variable;
    Operator op = Operator::Eq;  // the JSON member "operator"
    double value = 0.0;
    friend bool operator==(const GoalCondition&, const GoalCondition&) = default;
};

struct GoalDefinition {
    GoalType type = GoalType::Threshold;
    std::vector<GoalCondition> conditions;
    friend bool operator==(const GoalDefinition&, const GoalDefinition&) = default;
};

struct VibeSchema {
    std::string version;
    Metadata metadata;
    TimeConfig time;
    NamedMap<ResourceDefinition> resources;
    NamedMap<VariableDefinition> variables;
    std::vector<ActionDefinition> actions;
    std::vector<TransitionDefinition> transitions;
    std::vector<ConstraintDefinition> constraints;
    GoalDefinition goal;
    friend bool operator==(const VibeSchema&, const VibeSchema&) = default;
};

}  // namespace kestrova
