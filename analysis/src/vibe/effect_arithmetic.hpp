// The arithmetic of one effect, shared by apply_effects and the compiler.
#pragma once

#include "vibe/schema.hpp"

namespace kestrova {

// New value of a variable whose current reading is `current`.
inline double effect_result(EffectOp op, double current, double operand) {
    switch (op) {
        case EffectOp::Add:
            return current + operand;
        case EffectOp::Set:
            return operand;
        case EffectOp::Multiply:
            return current * operand;
        case EffectOp::Decrement:
            return current - operand;
        case EffectOp::Affine:
            return current;  // only rewrites the value as a number
    }
    return current;
}

}  // namespace kestrova
