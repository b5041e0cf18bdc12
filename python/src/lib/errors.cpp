#include "errors.hpp"

#include <exception>
#include <new>

namespace kestrova {
namespace {

PyObject* internal_fault_type = nullptr;

PyObject* decode_lossless_text(std::string_view text) {
    return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace");
}

}  // namespace

bool create_internal_fault_type() {
    // Called once per interpreter lifetime; a type left from a finalized runtime is gone
    // with it and is not released again.
    internal_fault_type =
        PyErr_NewException("kestrova.InternalFault", PyExc_BaseException, nullptr);
    return internal_fault_type != nullptr;
}

PyObject* raise_with_text(PyObject* type, std::string_view prefix, std::string_view detail) {
    // Built without C++ allocation, so this is safe inside a catch block.
    PyObject* head = decode_lossless_text(prefix);
    if (head == nullptr) return nullptr;
    PyObject* tail = decode_lossless_text(detail);
    if (tail == nullptr) {
        Py_DECREF(head);
        return nullptr;
    }
    PyObject* message = PyUnicode_Concat(head, tail);
    Py_DECREF(head);
    Py_DECREF(tail);
    if (message == nullptr) return nullptr;
    PyErr_SetObject(type, message);
    Py_DECREF(message);
    return nullptr;
}

PyObject* raise_internal_fault(std::string_view text) {
    return raise_with_text(internal_fault_type, "internal fault: ", text);
}

PyObject* outcome_to_python(const CallOutcome& outcome) {
    switch (outcome.error) {
        case ErrorKind::None:
            return PyUnicode_FromStringAndSize(outcome.text.data(),
                                               static_cast<Py_ssize_t>(outcome.text.size()));
        case ErrorKind::ValueError:
            return raise_with_text(PyExc_ValueError, {}, outcome.text);
        case ErrorKind::RuntimeError:
            return raise_with_text(PyExc_RuntimeError, {}, outcome.text);
    }
    return raise_internal_fault("unknown error kind");
}

void raise_current_cpp_exception() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& error) {
        raise_internal_fault(error.what());
    } catch (...) {
        raise_internal_fault("unknown exception");
    }
}

}  // namespace kestrova
