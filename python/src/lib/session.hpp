// The KestrovaSession class: a session record behind a Python object.
#pragma once

#include <Python.h>

namespace kestrova {

// Creates the class from its type specification ("builtins.KestrovaSession": final,
// outside cyclic GC). Returns a new reference, or nullptr with an exception set.
PyObject* create_session_type();

}  // namespace kestrova
