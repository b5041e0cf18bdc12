// Module initialisation: single-phase, one module object per process, one
// interpreter only.
#include <Python.h>

#include <cstdint>

#include "errors.hpp"
#include "module_functions.hpp"
#include "session.hpp"

namespace {

// m_size 0 (not -1): a repeated import in the same interpreter calls the
// initialiser again instead of copying the module dict, so the cached object
// itself comes back.
PyModuleDef kestrova_module = {
    PyModuleDef_HEAD_INIT, "kestrova", "", 0, nullptr, nullptr, nullptr, nullptr, nullptr,
};

PyObject* cached_module = nullptr;
std::int64_t owning_interpreter = -1;

// An embedding application may finalize the interpreter and start a new one in the same
// process; the cache must not hand it objects of the old runtime.
void forget_cached_module() {
    cached_module = nullptr;
    owning_interpreter = -1;
}

PyObject* create_module() {
    if (!kestrova::create_internal_fault_type()) return nullptr;
    kestrova_module.m_methods = kestrova::module_functions();
    PyObject* module = PyModule_Create(&kestrova_module);
    if (module == nullptr) return nullptr;
    PyObject* session_type = kestrova::create_session_type();
    if (session_type == nullptr ||
        PyModule_AddObjectRef(module, "KestrovaSession", session_type) < 0) {
        Py_XDECREF(session_type);
        Py_DECREF(module);
        return nullptr;
    }
    Py_DECREF(session_type);
    return module;
}

}  // namespace

PyMODINIT_FUNC PyInit_kestrova(void) {
    const std::int64_t interpreter = PyInterpreterState_GetID(PyInterpreterState_Get());
    if (interpreter < 0) return nullptr;
    if (cached_module != nullptr) {
        if (interpreter != owning_interpreter) {
            PyErr_SetString(PyExc_ImportError,
                            "kestrova can be imported by only one interpreter per process");
            return nullptr;
        }
        return Py_NewRef(cached_module);
    }
    PyObject* module = create_module();
    if (module == nullptr) return nullptr;
    if (Py_AtExit(forget_cached_module) != 0) {
        Py_DECREF(module);
        PyErr_SetString(PyExc_ImportError, "kestrova cannot register its exit handler");
        return nullptr;
    }
    cached_module = Py_NewRef(module);
    owning_interpreter = interpreter;
    return module;
}
