// Conditions, effects and the breadth-first scenario compiler.
#pragma once

#include <string_view>

#include "types.hpp"
#include "vibe/schema.hpp"

namespace kestrova {

AttributeMap get_initial_attributes(const NamedMap<VariableDefinition>& variables);
bool eval_condition(const AttributeMap& attributes, std::string_view text);
bool precondition_holds(const AttributeMap& attributes, std::string_view text);
AttributeMap apply_effects(const AttributeMap& attributes, const NamedMap<Effect>& effects);

class ScenarioCompiler {
  public:
    // Never fails; expands at most 4999 states.
    static StateSpace compile(const VibeSchema& schema);
};

}  // namespace kestrova
