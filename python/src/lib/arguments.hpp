// Our own argument binding for the module's callables: positional and keyword
// arguments matched to named parameters, with the interpreter's TypeError texts.
#pragma once

#include <Python.h>

#include <array>
#include <cstddef>
#include <span>

namespace kestrova {

inline constexpr std::size_t kMaxParameters = 4;

struct Signature {
    const char* full_name;               // e.g. "KestrovaSession.evaluate()" or "simulate()"
    std::span<const char* const> names;  // parameter names, required ones first
    std::size_t required;                // how many leading parameters are required
};

// Borrowed references, one per parameter; nullptr where the argument was not given.
using BoundArguments = std::array<PyObject*, kMaxParameters>;

// The METH_FASTCALL | METH_KEYWORDS convention; PyMethodDef stores every
// convention under the PyCFunction type.
using FastcallWithKeywords = PyObject* (*)(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
inline PyCFunction as_py_cfunction(FastcallWithKeywords function) {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

// Binds a vectorcall argument vector (nargs positional values followed by the values
// named in kwnames). Returns false with a TypeError set when the call does not fit.
bool bind_fastcall(const Signature& signature, PyObject* const* args, Py_ssize_t nargs,
                   PyObject* kwnames, BoundArguments& bound);

// Binds a positional tuple and an optional keyword dict (the tp_new convention).
bool bind_tuple_and_dict(const Signature& signature, PyObject* args, PyObject* kwargs,
                         BoundArguments& bound);

}  // namespace kestrova
