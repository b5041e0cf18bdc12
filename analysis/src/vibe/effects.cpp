#include <string>
#include <variant>

#include "types.hpp"
#include "vibe/compiler.hpp"
#include "vibe/effect_arithmetic.hpp"

namespace kestrova {

AttributeMap get_initial_attributes(const NamedMap<VariableDefinition>& variables) {
    AttributeMap attributes;
    attributes.reserve(variables.size());
    for (const auto& [name, definition] : variables) attributes.emplace(name, definition.initial);
    return attributes;
}

AttributeMap apply_effects(const AttributeMap& attributes, const NamedMap<Effect>& effects) {
    AttributeMap result = attributes;
    for (const auto& [name, effect] : effects) {
        const auto target = result.find(name);
        if (target == result.end()) continue;  // effects never create variables
        // Reads come from the input map only, so the entries act simultaneously.
        const double current = numeric_reading(attributes, name).value_or(0.0);
        double operand = 0.0;
        if (const auto* number = std::get_if<double>(&effect.value)) {
            operand = *number;
        } else {
            operand =
                numeric_reading(attributes, std::get<std::string>(effect.value)).value_or(0.0);
        }
        target->second = store_number(effect_result(effect.op, current, operand));
    }
    return result;
}

}  // namespace kestrova
