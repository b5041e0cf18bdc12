// Placeholder module init until the module surface lands.
#include <Python.h>

static PyModuleDef kestrova_module = {PyModuleDef_HEAD_INIT, "kestrova", "", -1, nullptr,
                                      nullptr, nullptr, nullptr, nullptr};

PyMODINIT_FUNC PyInit_kestrova(void) { return PyModule_Create(&kestrova_module); }
