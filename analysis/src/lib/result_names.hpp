// Text forms of the result enumerations, shared by the result document and messages.
#pragma once

#include <string_view>

#include "vibe/result.hpp"

namespace kestrova {

inline std::string_view execution_mode_name(ExecutionMode mode) {
    switch (mode) {
        case ExecutionMode::Discrete:
            return "Discrete";
        case ExecutionMode::Hybrid:
            return "Hybrid";
        case ExecutionMode::Continuous:
            return "Continuous";
    }
    return "Discrete";
}

inline std::string_view trust_level_name(TrustLevel level) {
    switch (level) {
        case TrustLevel::High:
            return "High";
        case TrustLevel::Medium:
            return "Medium";
        case TrustLevel::Low:
            return "Low";
    }
    return "High";
}

}  // namespace kestrova
