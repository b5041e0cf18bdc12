// The compiled state space: states identified by canonical text, and transitions.
#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "json/value.hpp"

namespace kestrova {

// Variable name -> value. hash_state sorts keys, so the map's own order never shows.
using AttributeMap = std::unordered_map<std::string, json::Value>;

struct State {
    std::string id;  // hash_state(attributes)
    AttributeMap attributes;
};

struct Transition {
    std::string from;
    std::string to;
    double cost = 0.0;
    // The acting action's cost map in document order, non-finite values as null.
    std::optional<std::vector<std::pair<std::string, json::Value>>> resource_costs;
};

struct StateSpace {
    std::unordered_map<std::string, State> states;
    std::vector<Transition> transitions;
};

// Numeric reading: numbers as double; missing or non-numeric values have none.
std::optional<double> numeric_reading(const AttributeMap& attributes, const std::string& name);
// Number storing: finite doubles as double-kind numbers, anything else as null.
json::Value store_number(double value);

// Canonical identifier text of an attribute map.
std::string hash_state(const AttributeMap& attributes);

}  // namespace kestrova
