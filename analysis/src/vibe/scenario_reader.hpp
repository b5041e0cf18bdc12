// Strict reading of the scenario document.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "json/value.hpp"
#include "vibe/schema.hpp"

namespace kestrova {

struct ScenarioReadResult {
    std::optional<VibeSchema> schema;  // set on success
    std::string error;                 // on failure: the message, " at line L column C"
};

// Reads UTF-8 text into a scenario, or gives the reader's error text.
ScenarioReadResult read_scenario(std::string_view text);

}  // namespace kestrova
