// Conversion of Python argument values into the session's own values. Each returns
// false with a Python exception set; a wrong type is a TypeError prefixed
// "argument '<name>': ".
#pragma once

#include <Python.h>

#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

// A required str. The view points into the str object's cached UTF-8 form and
// lives as long as that object.
bool convert_text(PyObject* value, const char* name, std::string_view& out);

// None or absent (nullptr) gives nullopt; otherwise a str, copied.
bool convert_optional_text(PyObject* value, const char* name, std::optional<std::string>& out);

// None or absent gives nullopt; otherwise the interpreter's float conversion.
bool convert_budget(PyObject* value, const char* name, std::optional<double>& out);

}  // namespace kestrova
