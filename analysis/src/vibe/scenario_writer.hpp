// Writing a scenario back as a JSON value (for the hosted request).
#pragma once

#include "json/value.hpp"
#include "vibe/schema.hpp"

namespace kestrova {

// Members in ascending byte order at every level, absent optionals as null.
json::Value write_scenario(const VibeSchema& schema);

}  // namespace kestrova
