#include "types.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "vibe/identifier_text.hpp"

namespace kestrova {

std::optional<double> numeric_reading(const AttributeMap& attributes, const std::string& name) {
    const auto it = attributes.find(name);
    if (it == attributes.end() || !it->second.is_number()) return std::nullopt;
    return it->second.as_double();
}

json::Value store_number(double value) {
    if (!std::isfinite(value)) return json::Value(nullptr);
    return json::Value(value);
}

std::string hash_state(const AttributeMap& attributes) {
    std::vector<const AttributeMap::value_type*> entries;
    entries.reserve(attributes.size());
    for (const auto& entry : attributes) entries.push_back(&entry);
    // std::string compares through char_traits<char>, i.e. as unsigned bytes.
    std::sort(entries.begin(), entries.end(),
              [](const auto* a, const auto* b) { return a->first < b->first; });
    std::string id;
    for (const auto* entry : entries) {
        if (entry != entries.front()) id += '|';
        id += entry->first;
        id += ':';
        append_identifier_value(id, entry->second);
    }
    return id;
}

}  // namespace kestrova
