// What a failed temporal check adds to a result: an alert and a verdict suffix.
#pragma once

#include <optional>
#include <string>

#include "temporal.hpp"
#include "vibe/result.hpp"

namespace kestrova {

struct TemporalFinding {
    std::optional<SystemAlert> alert;
    std::string verdict_suffix;  // empty when consistent; otherwise begins with a blank
};

TemporalFinding temporal_finding(const TemporalReport& report);

}  // namespace kestrova
