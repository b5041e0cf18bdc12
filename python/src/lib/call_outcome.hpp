// What a call behind the Python boundary returns: text, or the Python exception
// type and text to raise.
#pragma once

#include <string>

namespace kestrova {

enum class ErrorKind { None, ValueError, RuntimeError };

struct CallOutcome {
    ErrorKind error = ErrorKind::None;
    std::string text;  // the result text, or the exception text

    static CallOutcome success(std::string text) { return {ErrorKind::None, std::move(text)}; }
    static CallOutcome failure(ErrorKind kind, std::string text) { return {kind, std::move(text)}; }
    bool ok() const { return error == ErrorKind::None; }
};

}  // namespace kestrova
