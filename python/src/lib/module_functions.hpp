// The module-level functions simulate and simulate_local, each working through a
// temporary session.
#pragma once

#include <Python.h>

namespace kestrova {

// The module's function table, in the order the functions are added.
PyMethodDef* module_functions();

}  // namespace kestrova
