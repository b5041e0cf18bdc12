#include "conversions.hpp"

namespace kestrova {
namespace {

bool wrong_type(PyObject* value, const char* name) {
    PyObject* type_name = PyType_GetName(Py_TYPE(value));
    if (type_name == nullptr) return false;
    PyErr_Format(PyExc_TypeError, "argument '%s': must be str, not %U", name, type_name);
    Py_DECREF(type_name);
    return false;
}

// Replaces a pending TypeError with one whose text names the parameter; the
// original stays reachable as __cause__. Any other exception is left as it is.
void prefix_type_error(const char* name) {
    if (!PyErr_ExceptionMatches(PyExc_TypeError)) return;
    PyObject* original = PyErr_GetRaisedException();
    PyObject* message = PyObject_Str(original);
    if (message == nullptr) {
        Py_DECREF(original);
        return;
    }
    PyErr_Format(PyExc_TypeError, "argument '%s': %U", name, message);
    Py_DECREF(message);
    PyObject* replacement = PyErr_GetRaisedException();
    PyException_SetCause(replacement, original);  // steals original
    PyErr_SetRaisedException(replacement);        // steals replacement
}

}  // namespace

bool convert_text(PyObject* value, const char* name, std::string_view& out) {
    if (!PyUnicode_Check(value)) return wrong_type(value, name);
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(value, &size);
    if (data == nullptr) return false;  // e.g. lone surrogates: the interpreter's own error
    out = std::string_view(data, static_cast<std::size_t>(size));
    return true;
}

bool convert_optional_text(PyObject* value, const char* name, std::optional<std::string>& out) {
    if (value == nullptr || value == Py_None) {
        out.reset();
        return true;
    }
    std::string_view text;
    if (!convert_text(value, name, text)) return false;
    out.emplace(text);
    return true;
}

bool convert_budget(PyObject* value, const char* name, std::optional<double>& out) {
    if (value == nullptr || value == Py_None) {
        out.reset();
        return true;
    }
    const double number = PyFloat_AsDouble(value);
    if (number == -1.0 && PyErr_Occurred()) {
        prefix_type_error(name);
        return false;
    }
    out = number;
    return true;
}

}  // namespace kestrova
