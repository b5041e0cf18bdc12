#include "arguments.hpp"

namespace kestrova {
namespace {

bool too_many_positional(const Signature& signature, Py_ssize_t given) {
    const char* verb = given == 1 ? "was" : "were";
    const auto maximum = static_cast<Py_ssize_t>(signature.names.size());
    const auto required = static_cast<Py_ssize_t>(signature.required);
    if (required == maximum) {
        PyErr_Format(PyExc_TypeError, "%s takes %zd positional arguments but %zd %s given",
                     signature.full_name, maximum, given, verb);
    } else {
        PyErr_Format(PyExc_TypeError,
                     "%s takes from %zd to %zd positional arguments but %zd %s given",
                     signature.full_name, required, maximum, given, verb);
    }
    return false;
}

// Places one keyword argument; positional ones are already bound.
bool bind_keyword(const Signature& signature, PyObject* name, PyObject* value,
                  BoundArguments& bound) {
    if (!PyUnicode_Check(name)) {
        PyErr_Format(PyExc_TypeError, "%s keywords must be strings", signature.full_name);
        return false;
    }
    for (std::size_t i = 0; i < signature.names.size(); ++i) {
        if (PyUnicode_CompareWithASCIIString(name, signature.names[i]) != 0) continue;
        if (bound[i] != nullptr) {
            PyErr_Format(PyExc_TypeError, "%s got multiple values for argument '%s'",
                         signature.full_name, signature.names[i]);
            return false;
        }
        bound[i] = value;
        return true;
    }
    PyErr_Format(PyExc_TypeError, "%s got an unexpected keyword argument '%U'", signature.full_name,
                 name);
    return false;
}

bool check_required(const Signature& signature, const BoundArguments& bound) {
    for (std::size_t i = 0; i < signature.required; ++i) {
        if (bound[i] == nullptr) {
            PyErr_Format(PyExc_TypeError, "%s missing 1 required positional argument: '%s'",
                         signature.full_name, signature.names[i]);
            return false;
        }
    }
    return true;
}

}  // namespace

bool bind_fastcall(const Signature& signature, PyObject* const* args, Py_ssize_t nargs,
                   PyObject* kwnames, BoundArguments& bound) {
    bound.fill(nullptr);
    if (nargs > static_cast<Py_ssize_t>(signature.names.size())) {
        return too_many_positional(signature, nargs);
    }
    for (Py_ssize_t i = 0; i < nargs; ++i) bound[static_cast<std::size_t>(i)] = args[i];
    if (kwnames != nullptr) {
        const Py_ssize_t count = PyTuple_Size(kwnames);
        if (count < 0) return false;
        for (Py_ssize_t k = 0; k < count; ++k) {
            PyObject* name = PyTuple_GetItem(kwnames, k);
            if (name == nullptr || !bind_keyword(signature, name, args[nargs + k], bound)) {
                return false;
            }
        }
    }
    return check_required(signature, bound);
}

bool bind_tuple_and_dict(const Signature& signature, PyObject* args, PyObject* kwargs,
                         BoundArguments& bound) {
    bound.fill(nullptr);
    const Py_ssize_t nargs = PyTuple_Size(args);
    if (nargs < 0) return false;
    if (nargs > static_cast<Py_ssize_t>(signature.names.size())) {
        return too_many_positional(signature, nargs);
    }
    for (Py_ssize_t i = 0; i < nargs; ++i) {
        bound[static_cast<std::size_t>(i)] = PyTuple_GetItem(args, i);
        if (bound[static_cast<std::size_t>(i)] == nullptr) return false;
    }
    if (kwargs != nullptr) {
        Py_ssize_t position = 0;
        PyObject* name = nullptr;
        PyObject* value = nullptr;
        while (PyDict_Next(kwargs, &position, &name, &value)) {
            if (!bind_keyword(signature, name, value, bound)) return false;
        }
    }
    return check_required(signature, bound);
}

}  // namespace kestrova
