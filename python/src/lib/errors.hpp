// Turning failures into Python exceptions: call outcomes, C++ exceptions and the
// internal-fault type.
#pragma once

#include <Python.h>

#include <string_view>

#include "call_outcome.hpp"

namespace kestrova {

// Creates the internal-fault exception type (a direct subclass of BaseException,
// so `except Exception` does not swallow it). Called once by the module initialiser.
bool create_internal_fault_type();

// Raises the internal fault with the given text. Always returns nullptr.
PyObject* raise_internal_fault(std::string_view text);

// Raises `type` with prefix + detail as its text; detail bytes that are not UTF-8
// are replaced rather than lost. Always returns nullptr.
PyObject* raise_with_text(PyObject* type, std::string_view prefix, std::string_view detail);

// The outcome's text as a str, or its exception raised (nullptr).
PyObject* outcome_to_python(const CallOutcome& outcome);

// Maps the C++ exception being handled to a Python exception: bad_alloc to
// MemoryError, anything else to the internal fault. Call only inside a catch block.
void raise_current_cpp_exception();

// Runs body, converting any escaping C++ exception; the result of every Python
// entry point goes through here so no exception crosses into the interpreter.
template <typename Body>
PyObject* guarded_call(Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        raise_current_cpp_exception();
        return nullptr;
    }
}

}  // namespace kestrova
